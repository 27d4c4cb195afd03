// Dialog templates and the watermark of the entry dialogs: the create
// wizard's pages, the property sheet's pages and the screen appearance
// dialog.
#pragma once

#include <vector>

#include "bitmaps.h"
#include "dialog_template.h"
#include "resource.h"

namespace res {

std::vector<DialogTemplate> EntryDialogTemplates();
// Adds them to the program's templates (once; later calls do nothing). The
// dialogs that use them call this when they are made.
void RegisterEntryDialogTemplates();
// The wizard's watermark, 164 x 314.
void DrawWatermark(Bitmap& bitmap);

}  // namespace res
