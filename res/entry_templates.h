// Dialog templates and the watermark of the entry dialogs: the create
// wizard's pages, the property sheet's pages and the screen appearance
// dialog.
#pragma once

#include <vector>

#include "res/bitmaps.h"
#include "res/dialog_template.h"
#include "res/resource.h"

namespace res {

// The entry dialogs' templates, which the program's table takes in.
std::vector<DialogTemplate> EntryDialogTemplates();
// The wizard's watermark, 164 x 314.
void DrawWatermark(Bitmap& bitmap);

}  // namespace res
