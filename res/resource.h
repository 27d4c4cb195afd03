// String-table identifiers.
#pragma once

namespace res {

enum : unsigned {
    IDS_APP_VERSION = 102,           // version of the program, shown in the About box
    IDS_NOTICE1 = 103,               // About box notice lines
    IDS_NOTICE2 = 104,
    IDS_APP_DESCRIPTION = 105,
    IDS_WRONG_PLATFORM = 106,

    AFX_IDS_APP_TITLE = 57344,       // application title, caption of every application box
    IDS_BAD_FORMAT = 57345,
    IDS_IMAGE_NOT_FOUND = 57346,
    IDS_INVALID_PATH = 57347,
    IDS_WRITE_PROTECTED = 57348,
    IDS_OPEN_ERROR = 57349,
    IDS_BAD_CHECKSUM = 57350,
    IDS_NO_IMAGE_FILE = 57351,
    IDS_LOADER_TOO_LARGE = 57352,
    IDS_HELP_TOO_LONG = 57353,
    IDS_NAME_TOO_LONG = 57354,
    IDS_SETUP_TITLE = 57355,
    IDS_SETUP_SUBTITLE = 57356,
    IDS_WRITE_ERROR = 57357,
    IDS_WIZARD_TITLE = 57358,
    IDS_SIFINFO_TITLE = 57359,
    IDS_SIFINFO_SUBTITLE = 57360,
    IDS_IMAGE_TITLE = 57361,
    IDS_IMAGE_SUBTITLE = 57362,
    IDS_RIS_NOT_FOUND = 57363,
    IDS_NO_IMAGE_NAME = 57364,
    IDS_PATH_TOO_LONG = 57365,
    IDS_NO_LANGUAGES = 57366,
    IDS_OUTSIDE_SHARE = 57367,
    IDS_LOADER_NOT_SAVED = 57368,
    IDS_NEWER_VERSION = 57369,
    IDS_COPY_FAILED = 57370,
    IDS_MENU_LIMIT = 57371,
    IDS_NEXT_OR_FINISH = 57372,
    IDS_SUBMENU_N = 57373,
    IDS_REMOVE_QUESTION = 57374,
    IDS_IMAGE_MISSING_QUESTION = 57375,
};

// Dialog templates and bitmaps.
enum : unsigned {
    IDB_ENTRY_KINDS = 10,   // 48 x 16 strip: single page, stacked pages, cross
    IDD_MAIN = 130,         // main window
    IDB_LOGO = 132,         // logo of the main window, 121 x 88
    IDD_CREATE_IMAGE = 17,      // Create Boot Image File
    IDD_SUBMENU_ITEM = 51,      // Submenu Item Properties
    IDD_EDIT_IMAGE_PAGE = 137,  // Image page of the menu item property sheet
    IDD_IMAGE_SETTINGS = 140,   // Advanced Image Settings
};

}  // namespace res
