#include "platform/framework/bitmap_resources.h"

#include <QImage>

#include "res/bitmaps.h"

namespace framework {

QPixmap LoadBitmapResource(unsigned id) {
    res::Bitmap bitmap;
    if (!res::LoadBitmap(id, bitmap)) return {};
    QImage image(bitmap.width, bitmap.height, QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) image.setPixel(x, y, bitmap.pixels[y * bitmap.width + x]);
    return QPixmap::fromImage(image);
}

std::vector<QIcon> LoadImageList(unsigned id, int width) {
    std::vector<QIcon> icons;
    QPixmap strip = LoadBitmapResource(id);
    if (strip.isNull() || width <= 0) return icons;
    for (int x = 0; x + width <= strip.width(); x += width) {
        QIcon icon;
        QPixmap piece = strip.copy(x, 0, width, strip.height());
        // The same picture whether the row is selected or not, as the common
        // control draws an image list without a mask.
        icon.addPixmap(piece, QIcon::Normal);
        icon.addPixmap(piece, QIcon::Selected);
        icons.push_back(icon);
    }
    return icons;
}

}  // namespace framework
