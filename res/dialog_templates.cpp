#include "res/dialog_template.h"

#include <map>

#include "res/entry_templates.h"
#include "res/resource.h"

namespace res {

const char kMakerWebPage[] = "https://menvolt.example.org/";

namespace {

using K = ControlKind;

DialogTemplate MainDialog() {
    DialogTemplate d;
    d.id = IDD_MAIN;
    d.caption = "Menvolt";
    d.cx = 254;
    d.cy = 249;
    d.style = DS_CENTER | DS_CAPTION | DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::StaticBitmap, "", 7, 7, 58, 44, CS_BORDER, IDB_LOGO},
        {IDC_STATIC, K::Static,
         "These tabs correspond to menus that appear in the RIS Client Installation Wizard main menu. "
         "Click on a tab to add or edit a menu item.",
         99, 7, 148, 32, 0, 0},
        {IDC_MAIN_TABS, K::TabControl, "", 7, 73, 240, 124, CS_TABSTOP, 0},
        {IDC_MAIN_LIST, K::ListView, "", 17, 96, 219, 74,
         CS_SINGLE_SEL | CS_SHOW_SEL_ALWAYS | CS_NO_SORT_HEADER | CS_BORDER | CS_TABSTOP, 0},
        {IDC_MAIN_ADD, K::PushButton, "&Add...", 17, 175, 45, 14, CS_TABSTOP, 0},
        {IDC_MAIN_REMOVE, K::PushButton, "&Remove", 67, 175, 45, 14, CS_TABSTOP, 0},
        {IDC_MAIN_PROPERTIES, K::PushButton, "&Properties...", 117, 175, 45, 14, CS_TABSTOP, 0},
        {IDC_MAIN_REFRESH, K::PushButton, "Re&fresh", 167, 175, 45, 14, CS_TABSTOP, 0},
        {IDC_MAIN_LANGUAGE_LABEL, K::Static, "Installation &language:", 7, 204, 68, 12, CS_CENTER_VERT, 0},
        {IDC_MAIN_LANGUAGE, K::ComboDropList, "", 79, 204, 85, 52, CS_SORTED | CS_VSCROLL | CS_TABSTOP, 0},
        {IDC_MAIN_ABOUT, K::PushButton, "A&bout...", 7, 228, 50, 14, CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Close", 142, 228, 50, 14, CS_TABSTOP, 0},
        {IDHELP, K::PushButton, "&Help", 197, 228, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

// ---- Boot image file dialogs ----------------------------------------------

DialogTemplate CreateImageDialog() {
    DialogTemplate d;
    d.id = IDD_CREATE_IMAGE;
    d.caption = "Create Boot Image File";
    d.cx = 174;
    d.cy = 87;
    d.style = DS_CENTER | DS_CAPTION | DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::Static, "&Boot image file name:", 7, 7, 70, 8, 0, 0},
        {IDC_CREATE_NAME, K::Edit, "", 7, 17, 160, 14, CS_BORDER | CS_TABSTOP, 0},
        {IDC_CREATE_ADVANCED, K::PushButton, "&Advanced...", 7, 39, 50, 14, CS_TABSTOP, 0},
        {IDOK, K::DefPushButton, "OK", 9, 67, 50, 14, CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Cancel", 63, 67, 50, 14, CS_TABSTOP, 0},
        {IDHELP, K::PushButton, "Help", 117, 67, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

DialogTemplate ImageSettingsDialog() {
    DialogTemplate d;
    d.id = IDD_IMAGE_SETTINGS;
    d.caption = "Advanced Image Settings";
    d.cx = 174;
    d.cy = 133;
    d.style = DS_CENTER | DS_CAPTION | DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::GroupBox, "Capacity", 7, 7, 160, 55, 0, 0},
        {IDC_SETTINGS_NORMAL, K::RadioButton, "&Normal disk capacity", 15, 20, 81, 10,
         CS_AUTO | CS_GROUP | CS_TABSTOP, 0},
        {IDC_SETTINGS_EXTENDED, K::RadioButton, "&Extended capacity:", 15, 30, 73, 10, CS_AUTO, 0},
        {IDC_SETTINGS_CAPACITY, K::ComboDropList, "", 30, 42, 44, 95, CS_VSCROLL | CS_TABSTOP, 0},
        // Beside the capacity it belongs to: only extended images have a
        // RAM disk of their own to make writable.
        {IDC_SETTINGS_WRITABLE, K::CheckBox, "&Writable RAM disk", 82, 43, 80, 10, CS_AUTO | CS_TABSTOP, 0},
        {IDC_STATIC, K::GroupBox, "Options", 7, 66, 160, 40, 0, 0},
        {IDC_SETTINGS_KEEP_UNDI, K::CheckBox, "Keep &UNDI in memory", 15, 79, 89, 10, CS_AUTO | CS_TABSTOP, 0},
        {IDC_SETTINGS_KEEP_BASE, K::CheckBox, "Keep &Base Code in memory", 15, 90, 100, 10, CS_AUTO | CS_TABSTOP, 0},
        {IDOK, K::DefPushButton, "OK", 9, 113, 50, 14, CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Cancel", 63, 113, 50, 14, CS_TABSTOP, 0},
        {IDHELP, K::PushButton, "Help", 117, 113, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

DialogTemplate EditImagePage() {
    DialogTemplate d;
    d.id = IDD_EDIT_IMAGE_PAGE;
    d.caption = "Image";
    d.cx = 174;
    d.cy = 58;
    d.style = DS_CHILD;
    d.controls = {
        {IDC_IMAGE_LABEL, K::Static, "Boot &image file:", 7, 7, 160, 8, 0, 0},
        {IDC_IMAGE_FILE, K::Edit, "", 7, 18, 130, 12, CS_BORDER | CS_TABSTOP, 0},
        {IDC_IMAGE_BROWSE, K::PushButton, "&Browse...", 7, 37, 50, 14, CS_TABSTOP, 0},
        {IDC_IMAGE_CREATE, K::PushButton, "&Create...", 62, 37, 50, 14, CS_TABSTOP, 0},
        {IDC_IMAGE_VIEW, K::PushButton, "&View...", 117, 37, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

DialogTemplate SubmenuItemDialog() {
    DialogTemplate d;
    d.id = IDD_SUBMENU_ITEM;
    d.caption = "Submenu Item Properties";
    d.cx = 235;
    d.cy = 170;
    d.style = DS_CENTER | DS_CAPTION | DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::Static, "&Friendly description:", 7, 7, 63, 8, 0, 0},
        {IDC_SUBMENU_DESCRIPTION, K::Edit, "", 7, 17, 221, 12, CS_BORDER | CS_TABSTOP, 0},
        {IDC_STATIC, K::Static, "&Help text:", 7, 34, 31, 8, 0, 0},
        {IDC_SUBMENU_HELP_TEXT, K::Edit, "", 7, 45, 221, 44, CS_MULTILINE | CS_VSCROLL | CS_BORDER | CS_TABSTOP, 0},
        {IDC_STATIC, K::Static, "Boot &image file:", 7, 96, 49, 8, 0, 0},
        {IDC_IMAGE_FILE, K::Edit, "", 7, 106, 130, 12, CS_BORDER | CS_TABSTOP, 0},
        {IDC_SUBMENU_HARD_DRIVE, K::CheckBox, "Boot from hard &drive", 142, 106, 76, 12, CS_AUTO | CS_TABSTOP, 0},
        {IDC_IMAGE_BROWSE, K::PushButton, "&Browse...", 7, 127, 50, 14, CS_TABSTOP, 0},
        {IDC_IMAGE_CREATE, K::PushButton, "&Create...", 62, 127, 50, 14, CS_TABSTOP, 0},
        {IDC_IMAGE_VIEW, K::PushButton, "&View...", 117, 127, 50, 14, CS_TABSTOP, 0},
        {IDOK, K::PushButton, "OK", 68, 149, 50, 14, CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Cancel", 123, 149, 50, 14, CS_TABSTOP, 0},
        {IDHELP, K::PushButton, "Help", 178, 149, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

DialogTemplate AboutBox() {
    DialogTemplate d;
    d.id = IDD_ABOUT_BOX;
    d.caption = "About";
    d.cx = 192;
    d.cy = 138;
    d.style = DS_CAPTION | DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::StaticBitmap, "", 7, 7, 82, 55, CS_BORDER, IDB_LOGO},
        {IDC_STATIC, K::Static, "Menvolt", 100, 7, 85, 8, 0, 0},
        {IDC_ABOUT_APP_VERSION, K::Static, "App:", 100, 17, 85, 8, 0, 0},
        {IDC_ABOUT_LIBRARY_VERSION, K::Static, "DLL:", 100, 27, 85, 8, 0, 0},
        {IDC_ABOUT_NOTICE1, K::Static, "", 7, 70, 178, 8, 0, 0},
        {IDC_ABOUT_NOTICE2, K::Static, "", 7, 80, 178, 8, 0, 0},
        {IDC_STATIC, K::Static, "Pellar information", 7, 93, 78, 8, 0, 0},
        {IDC_ABOUT_LINK, K::Static, kMakerWebPage, 7, 103, 116, 8, 0, 0},
        {IDC_ABOUT_SUPPORT, K::PushButton, "Technical Support...", 7, 117, 75, 14, CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Close", 135, 117, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

// Every template of the program, made on first use.
std::map<unsigned, DialogTemplate>& Table() {
    static std::map<unsigned, DialogTemplate> table = [] {
        std::map<unsigned, DialogTemplate> t;
        for (DialogTemplate d : {MainDialog(), CreateImageDialog(), ImageSettingsDialog(), EditImagePage(),
                                 SubmenuItemDialog(), AboutBox()})
            t[d.id] = d;
        for (DialogTemplate d : EntryDialogTemplates()) t[d.id] = d;
        return t;
    }();
    return table;
}

}  // namespace

const DialogTemplate* FindDialogTemplate(unsigned id) {
    auto it = Table().find(id);
    return it == Table().end() ? nullptr : &it->second;
}

void RegisterDialogTemplate(const DialogTemplate& dialog) { Table()[dialog.id] = dialog; }

}  // namespace res
