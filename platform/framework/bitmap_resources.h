// Bitmap resources as pixmaps, and image lists cut from a bitmap strip.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <vector>

namespace framework {

// A null pixmap for an unknown identifier.
QPixmap LoadBitmapResource(unsigned id);
// Cuts a strip into images of `width` pixels, left to right, without a mask
// colour (the strip's background is drawn as it is).
std::vector<QIcon> LoadImageList(unsigned id, int width);

}  // namespace framework
