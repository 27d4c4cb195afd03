#include "dialog_template.h"

#include <map>

#include "resource.h"

namespace res {

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
        {65535, K::StaticBitmap, "", 7, 7, 58, 44, CS_BORDER, IDB_LOGO},
        {65535, K::Static,
         "These tabs correspond to menus that appear in the RIS Client Installation Wizard main menu. "
         "Click on a tab to add or edit a menu item.",
         99, 7, 148, 32, 0, 0},
        {1025, K::TabControl, "", 7, 73, 240, 124, CS_TABSTOP, 0},
        {1026, K::ListView, "", 17, 96, 219, 74,
         CS_SINGLE_SEL | CS_SHOW_SEL_ALWAYS | CS_NO_SORT_HEADER | CS_BORDER | CS_TABSTOP, 0},
        {1021, K::PushButton, "&Add...", 17, 175, 45, 14, CS_TABSTOP, 0},
        {102, K::PushButton, "&Remove", 67, 175, 45, 14, CS_TABSTOP, 0},
        {1027, K::PushButton, "&Properties...", 117, 175, 45, 14, CS_TABSTOP, 0},
        {1028, K::PushButton, "Re&fresh", 167, 175, 45, 14, CS_TABSTOP, 0},
        {1052, K::Static, "Installation &language:", 7, 204, 68, 12, CS_CENTER_VERT, 0},
        {1016, K::ComboDropList, "", 79, 204, 85, 52, CS_SORTED | CS_VSCROLL | CS_TABSTOP, 0},
        {1049, K::PushButton, "A&bout...", 7, 228, 50, 14, CS_TABSTOP, 0},
        {2, K::PushButton, "Close", 142, 228, 50, 14, CS_TABSTOP, 0},
        {9, K::PushButton, "&Help", 197, 228, 50, 14, CS_TABSTOP, 0},
    };
    return d;
}

std::map<unsigned, DialogTemplate>& Table() {
    static std::map<unsigned, DialogTemplate> table = [] {
        std::map<unsigned, DialogTemplate> t;
        for (DialogTemplate d : {MainDialog()}) t[d.id] = d;
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
