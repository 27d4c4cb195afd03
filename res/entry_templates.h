// Dialog templates and the watermark of the entry dialogs: the create
// wizard's pages, the property sheet's pages and the screen appearance
// dialog.
#pragma once

#include <vector>

#include "bitmaps.h"
#include "dialog_template.h"

namespace res {

enum : unsigned {
    IDB_WATERMARK = 103,           // wizard watermark
    IDD_VIEW_LOADER_FILES = 91,    // "Submenu" page
    IDD_SIFINFO_PAGE = 133,        // "Menu Item" page
    IDD_SIFINFO_WIZ = 134,
    IDD_SETUP_WIZ = 135,
    IDD_SELECT_IMAGE_WIZ = 136,
    IDD_MENU_WIZ = 138,
    IDD_APPEARANCE = 139,
};

std::vector<DialogTemplate> EntryDialogTemplates();
// Adds them to the program's templates (once; later calls do nothing). The
// dialogs that use them call this when they are made.
void RegisterEntryDialogTemplates();
// The wizard's watermark, 164 x 314.
void DrawWatermark(Bitmap& bitmap);

}  // namespace res
