// Dialog templates: every dialog and page of the editor is described here as
// data (control identifier, kind, text with & mnemonics, rectangle in dialog
// units, styles) and built into real windows by the framework layer, so the
// layout stays exactly what the template says whatever toolkit draws it.
#pragma once

#include <string>
#include <vector>

namespace res {

enum class ControlKind {
    PushButton,
    DefPushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,        // text label
    StaticBitmap,  // picture from a bitmap resource (see `bitmap`)
    Edit,
    ComboDropList,
    ListView,      // report view with one or more columns
    ListBox,
    TabControl,
};

// Style bits of our own; only what the templates need.
enum : unsigned {
    CS_BORDER = 1u << 0,          // thin sunken frame
    CS_DISABLED = 1u << 1,
    CS_HIDDEN = 1u << 2,
    CS_SORTED = 1u << 3,          // combo and list boxes keep their items sorted
    CS_VSCROLL = 1u << 4,
    CS_CENTER_VERT = 1u << 5,     // static text vertically centred
    CS_SINGLE_SEL = 1u << 6,
    CS_SHOW_SEL_ALWAYS = 1u << 7,
    CS_NO_SORT_HEADER = 1u << 8,
    CS_TABSTOP = 1u << 9,
    CS_MULTILINE = 1u << 10,
    CS_READONLY = 1u << 11,
    CS_GROUP = 1u << 12,          // first radio button of a group
    CS_AUTO = 1u << 13,           // check box / radio button toggles itself
    CS_WANT_RETURN = 1u << 14,
    CS_NO_HEADER = 1u << 15,
};

// Dialog style bits.
enum : unsigned {
    DS_CENTER = 1u << 0,
    DS_SYSMENU = 1u << 1,
    DS_CAPTION = 1u << 2,
    DS_CHILD = 1u << 3,  // a page: no frame of its own
};

struct DialogControl {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    unsigned style = 0;
    unsigned bitmap = 0;               // StaticBitmap only
};

struct DialogTemplate {
    unsigned id = 0;
    std::string caption;
    int cx = 0, cy = 0;                // client area, dialog units
    std::string fontName = "MS Sans Serif";
    int fontPoints = 8;
    unsigned style = 0;
    std::vector<DialogControl> controls;
};

// The template of an identifier, from the one table of every template the
// program has (dialog_templates.cpp); nullptr when it has none.
const DialogTemplate* FindDialogTemplate(unsigned id);
// Adds or replaces a template: for tests, which bring templates of their own.
void RegisterDialogTemplate(const DialogTemplate& dialog);

// The maker's web page, the About box's link.
extern const char kMakerWebPage[];

}  // namespace res
