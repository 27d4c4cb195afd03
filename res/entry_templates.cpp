#include "res/entry_templates.h"

#include <algorithm>

#include "res/resource.h"

namespace res {

namespace {

using K = ControlKind;

constexpr unsigned kEdit = CS_BORDER | CS_TABSTOP;
constexpr unsigned kMultiEdit = CS_BORDER | CS_TABSTOP | CS_MULTILINE | CS_VSCROLL;
constexpr unsigned kButton = CS_TABSTOP;

DialogTemplate Page(unsigned id, const char* caption, int cx, int cy, std::vector<DialogControl> controls) {
    DialogTemplate d;
    d.id = id;
    d.caption = caption;
    d.cx = cx;
    d.cy = cy;
    d.style = DS_CHILD;
    d.controls = std::move(controls);
    return d;
}

DialogTemplate SetupWizard() {
    return Page(IDD_SETUP_WIZ, "", 270, 79,
                {
                    {IDC_STATIC, K::Static,
                     "Do you wish to create a single menu item with one image file associated with it, or do you "
                     "wish to create a submenu with multiple image files associated to each of the submenus?",
                     7, 7, 256, 28, 0, 0},
                    {IDC_SETUP_SINGLE, K::RadioButton, "&Single menu and image file", 30, 38, 100, 10,
                     CS_AUTO | CS_GROUP | CS_TABSTOP, 0},
                    {IDC_SETUP_SUBMENU, K::RadioButton, "Submenu with &multiple menus and image files", 30, 54, 157,
                     10, CS_AUTO, 0},
                });
}

DialogTemplate SifInfoWizard() {
    return Page(IDD_SIFINFO_WIZ, "", 270, 149,
                {
                    {IDC_STATIC, K::Static,
                     "Type a friendly  description and help text for this item.  This text helps users choose the "
                     "correct image.",
                     7, 7, 256, 18, 0, 0},
                    {IDC_STATIC, K::Static, "&Friendly description:", 7, 35, 63, 8, 0, 0},
                    {IDC_SIF_DESCRIPTION, K::Edit, "", 7, 45, 256, 14, kEdit, 0},
                    {IDC_STATIC, K::Static, "&Help text:", 7, 65, 31, 8, 0, 0},
                    {IDC_SIF_HELP, K::Edit, "", 7, 75, 256, 59, kMultiEdit, 0},
                });
}

DialogTemplate SelectImageWizard() {
    return Page(IDD_SELECT_IMAGE_WIZ, "", 270, 79,
                {
                    {IDC_STATIC, K::Static,
                     "Select an existing, or create a new image file associated with the menu item.", 7, 7, 256, 9,
                     0, 0},
                    {IDC_STATIC, K::Static, "Boot &image file:", 7, 24, 48, 8, 0, 0},
                    {IDC_IMAGE_FILE, K::Edit, "", 7, 35, 130, 12, kEdit, 0},
                    {IDC_IMAGE_BROWSE, K::PushButton, "&Browse...", 7, 53, 50, 14, kButton, 0},
                    {IDC_IMAGE_CREATE, K::PushButton, "&Create...", 62, 53, 50, 14, kButton, 0},
                    {IDC_IMAGE_VIEW, K::PushButton, "&View...", 117, 53, 50, 14, kButton, 0},
                });
}

DialogTemplate MenuWizard() {
    return Page(IDD_MENU_WIZ, "", 270, 173,
                {
                    {IDC_MENU_TITLE, K::Static, "", 7, 0, 190, 8, 0, 0},
                    {IDC_MENU_DESCRIPTION_LABEL, K::Static, "&Friendly description:", 7, 13, 63, 8, 0, 0},
                    {IDC_MENU_DESCRIPTION, K::Edit, "", 7, 23, 256, 12, kEdit, 0},
                    {IDC_STATIC, K::Static, "&Help text:", 7, 40, 31, 8, 0, 0},
                    {IDC_MENU_HELP, K::Edit, "", 7, 51, 256, 55, kMultiEdit, 0},
                    {IDC_STATIC, K::Static, "Boot &image file:", 7, 110, 50, 8, 0, 0},
                    {IDC_IMAGE_FILE, K::Edit, "", 7, 120, 130, 12, kEdit, 0},
                    {IDC_MENU_HARD_DRIVE, K::CheckBox, "Boot from hard &drive", 143, 120, 76, 12,
                     CS_AUTO | CS_TABSTOP, 0},
                    {IDC_IMAGE_BROWSE, K::PushButton, "&Browse...", 7, 138, 50, 14, kButton, 0},
                    {IDC_IMAGE_CREATE, K::PushButton, "&Create...", 62, 138, 50, 14, kButton, 0},
                    {IDC_IMAGE_VIEW, K::PushButton, "&View...", 117, 138, 50, 14, kButton, 0},
                    {IDC_MENU_HINT, K::Static, "", 7, 157, 190, 8, 0, 0},
                });
}

DialogTemplate SifInfoPage() {
    return Page(IDD_SIFINFO_PAGE, "Menu Item", 235, 98,
                {
                    {IDC_STATIC, K::Static, "&Friendly description:", 7, 7, 63, 8, 0, 0},
                    {IDC_SIF_DESCRIPTION, K::Edit, "", 7, 17, 221, 14, kEdit, 0},
                    {IDC_STATIC, K::Static, "&Help text:", 7, 36, 31, 8, 0, 0},
                    {IDC_SIF_HELP, K::Edit, "", 7, 47, 221, 44, kMultiEdit, 0},
                });
}

DialogTemplate ViewLoaderFilesPage() {
    return Page(IDD_VIEW_LOADER_FILES, "Submenu", 200, 159,
                {
                    {IDC_STATIC, K::GroupBox, "Submenu items", 7, 7, 186, 124, 0, 0},
                    {IDC_LOADER_LIST, K::ListView, "", 14, 19, 173, 80,
                     CS_SINGLE_SEL | CS_SHOW_SEL_ALWAYS | CS_NO_HEADER | CS_NO_SORT_HEADER | CS_BORDER | CS_TABSTOP,
                     0},
                    {IDC_LOADER_ADD, K::PushButton, "&Add...", 14, 107, 45, 14, kButton, 0},
                    {IDC_LOADER_DELETE, K::PushButton, "&Delete", 64, 107, 45, 14, kButton, 0},
                    {IDC_LOADER_PROPERTIES, K::PushButton, "&Properties...", 114, 107, 45, 14, kButton, 0},
                    {IDC_LOADER_APPEARANCE, K::PushButton, "App&earance...", 7, 138, 55, 14, kButton, 0},
                });
}

DialogTemplate Appearance() {
    DialogTemplate d;
    d.id = IDD_APPEARANCE;
    d.caption = "Submenu Screen Appearance";
    d.cx = 184;
    d.cy = 140;
    d.style = DS_CENTER | DS_CAPTION;  // no system menu
    d.controls = {
        {IDC_STATIC, K::Static, "&Banner:", 7, 7, 26, 8, 0, 0},
        {IDC_APPEARANCE_BANNER, K::Edit, "", 7, 19, 170, 14, kEdit, 0},
        {IDC_STATIC, K::GroupBox, "Normal text", 7, 40, 82, 68, 0, 0},
        {IDC_STATIC, K::Static, "Back&ground", 14, 50, 40, 8, 0, 0},
        {IDC_NORMAL_BACKGROUND, K::ComboDropList, "", 14, 60, 70, 85, CS_VSCROLL | CS_TABSTOP, 0},
        {IDC_STATIC, K::Static, "&Text:", 14, 78, 17, 8, 0, 0},
        {IDC_NORMAL_TEXT, K::ComboDropList, "", 14, 88, 70, 85, CS_VSCROLL | CS_TABSTOP, 0},
        {IDC_STATIC, K::GroupBox, "Highlighted text", 95, 40, 82, 68, 0, 0},
        {IDC_STATIC, K::Static, "Backgro&und", 102, 50, 40, 8, 0, 0},
        {IDC_HIGHLIGHT_BACKGROUND, K::ComboDropList, "", 102, 60, 68, 85, CS_VSCROLL | CS_TABSTOP, 0},
        {IDC_STATIC, K::Static, "Te&xt:", 102, 78, 17, 8, 0, 0},
        {IDC_HIGHLIGHT_TEXT, K::ComboDropList, "", 102, 88, 68, 85, CS_VSCROLL | CS_TABSTOP, 0},
        {IDOK, K::DefPushButton, "OK", 17, 119, 50, 14, kButton, 0},
        {IDCANCEL, K::PushButton, "Cancel", 72, 119, 50, 14, kButton, 0},
        {IDHELP, K::PushButton, "Help", 127, 119, 50, 14, kButton, 0},
    };
    return d;
}

// A dialog of its own, so that Submenu Screen Appearance keeps its size.
DialogTemplate UnattendedStart() {
    DialogTemplate d;
    d.id = IDD_UNATTENDED_START;
    d.caption = "Unattended Start";
    d.cx = 184;
    d.cy = 104;
    d.style = DS_CENTER | DS_CAPTION;  // no system menu
    d.controls = {
        {IDC_STATIC, K::Static, "&Start on item:", 7, 7, 60, 8, 0, 0},
        {IDC_START_ITEM, K::ComboDropList, "", 7, 18, 170, 85, CS_VSCROLL | CS_TABSTOP, 0},
        {IDC_STATIC, K::Static, "Boot it &automatically after", 7, 40, 92, 8, 0, 0},
        {IDC_START_TIMEOUT, K::Edit, "", 100, 38, 28, 14, kEdit, 0},
        {IDC_STATIC, K::Static, "seconds", 132, 40, 45, 8, 0, 0},
        {IDC_START_NOTE, K::Static, "", 7, 58, 170, 24, 0, 0},
        {IDOK, K::DefPushButton, "OK", 17, 83, 50, 14, kButton, 0},
        {IDCANCEL, K::PushButton, "Cancel", 72, 83, 50, 14, kButton, 0},
        {IDHELP, K::PushButton, "Help", 127, 83, 50, 14, kButton, 0},
    };
    return d;
}

}  // namespace

std::vector<DialogTemplate> EntryDialogTemplates() {
    return {SetupWizard(), SifInfoWizard(), SelectImageWizard(), MenuWizard(),
            SifInfoPage(), ViewLoaderFilesPage(), Appearance(), UnattendedStart()};
}

// A tall picture for the wizard: a night-blue ground fading to teal, and a
// client screen on it showing a menu with the second line highlighted.
void DrawWatermark(Bitmap& b) {
    const int w = 164, h = 314;
    b.width = w;
    b.height = h;
    b.pixels.assign(static_cast<size_t>(w * h), 0xFF000000u);
    auto rgb = [](int r, int g, int bl) {
        return 0xFF000000u | static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(bl);
    };
    auto fill = [&](int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(w, x1); ++x) b.pixels[static_cast<size_t>(y * w + x)] = c;
    };
    for (int y = 0; y < h; ++y) {
        int t = y * 255 / (h - 1);
        fill(0, y, w, y + 1, rgb(0, 20 + t * 90 / 255, 70 + t * 70 / 255));
    }
    // Monitor with a text screen: banner, five menu lines, bottom bar.
    fill(22, 90, 142, 178, rgb(192, 192, 192));
    fill(26, 94, 138, 174, rgb(0, 0, 0));
    fill(26, 94, 138, 100, rgb(170, 170, 170));
    for (int i = 0; i < 5; ++i) {
        int y = 108 + i * 9;
        if (i == 1) {
            fill(34, y - 2, 120, y + 5, rgb(170, 170, 170));
        } else {
            fill(36, y, 96 + (i * 13) % 24, y + 3, rgb(170, 170, 170));
        }
    }
    fill(26, 168, 138, 174, rgb(170, 170, 170));
    fill(72, 178, 92, 190, rgb(160, 160, 160));
    fill(56, 190, 108, 196, rgb(192, 192, 192));
    // Network: a cable from the monitor down to a server box.
    fill(81, 196, 83, 250, rgb(255, 200, 0));
    fill(52, 250, 112, 290, rgb(128, 128, 128));
    for (int i = 0; i < 3; ++i) fill(58, 258 + i * 10, 106, 262 + i * 10, rgb(64, 64, 64));
    fill(98, 282, 102, 286, rgb(0, 255, 0));
}

}  // namespace res
