// Identifiers of the program's resources: strings, dialog templates,
// bitmaps, and the controls of every template. Each number has its home
// here; the templates and the dialogs that fill them use the names.
#pragma once

#include "res/help_contexts.h"
#include "res/standard_ids.h"

namespace res {

enum : unsigned {
    IDS_APP_VERSION = 102,           // version of the program, shown in the About box
    IDS_NOTICE1 = 103,               // About box notice lines
    IDS_NOTICE2 = 104,
    IDS_APP_DESCRIPTION = 105,
    IDS_WRONG_PLATFORM = 106,

    // 57344 is the application title (AFX_IDS_APP_TITLE), a standard identifier.
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
    IDS_LIBRARY_INCOMPATIBLE = 57376,
    IDS_LIBRARY_TOO_OLD = 57377,
    IDS_PATH_NOT_FOUND = 57378,
    IDS_REMOVE_FAILED = 57379,
    IDS_FILE_READ_ERROR = 57380,
    IDS_DELETE_LAST_ITEM = 57381,
    IDS_DELETE_ITEM_QUESTION = 57382,
    IDS_ONE_ITEM_EDIT_QUESTION = 57383,
    IDS_ONE_ITEM_CREATE_QUESTION = 57384,
    IDS_IMAGE_NAME_TAKEN = 57385,
    IDS_IMAGE_NOT_CREATED = 57386,
    IDS_LINK_ERROR = 57387,
    IDS_LOADER_NEWER = 57388,
    // Captions of the boxes dialogs own.
    IDS_EDIT_MENU = 57389,
    IDS_DELETE_ITEM = 57390,
    IDS_EDIT_SUBMENU = 57391,
    IDS_CREATE_SUBMENU = 57392,
    IDS_TEST_BOOT = 57393,
    IDS_DISK_FULL = 57394,
    IDS_NO_DOUBLE_QUOTE = 57395,
    IDS_SIF_NOT_TEXT = 57396,
    IDS_SIF_NO_SECTION = 57397,
    // 57398-57400: the code page notice's, standard identifiers.
    IDS_FOLDER_OUTSIDE_SHARE = 57401,
    IDS_LOADER_KEPT = 57402,
    IDS_FILE_NOT_FOUND = 57403,
    IDS_REMOVE_REFUSED = 57404,
    IDS_REMOVE_HALF_DONE = 57405,
    IDS_EDIT_REFUSED = 57406,
    IDS_EDIT_UNDONE = 57407,
    IDS_CREATE_REFUSED = 57408,
    IDS_READ_DENIED = 57409,
    IDS_NOT_A_FILE = 57410,
    // A change of two files that could neither be finished nor undone.
    IDS_CREATE_HALF_DONE = 57411,
    IDS_EDIT_HALF_DONE = 57412,
    IDS_REMOVE_UNDONE = 57413,
    IDS_START_FOREIGN_CLIENT = 57430,
    IDS_START_TIMEOUT_RANGE = 57431,
    IDS_COUNTDOWN_OFF_REMOVED = 57432,
    IDS_COUNTDOWN_OFF_NO_ITEM = 57433,
    // Where start-up looked for the share, and how to point it elsewhere.
    IDS_SHARE_LOOKED_IN_OPTION = 57440,
    IDS_SHARE_LOOKED_IN_SAMBA = 57441,
    IDS_SHARE_NOT_IN_SAMBA = 57442,
    IDS_SHARE_ELSEWHERE = 57443,
    // Test Boot.
    IDS_NO_QEMU_WINDOW = 57444,
    IDS_QEMU_ENDED = 57445,
    IDS_NO_LOADER_NAMED = 57446,
    IDS_LOADER_MISSING = 57447,
    // 57448: the code page notice's caption, a standard identifier.
    // Which kind of PC an item starts on, and Test Boot's two kinds.
    IDS_BOOTS_ON = 57450,
    IDS_BOOTS_BIOS = 57451,
    IDS_BOOTS_UEFI = 57452,
    IDS_BOOTS_BIOS_AND_UEFI = 57453,
    IDS_BOOTS_NEITHER = 57454,
    IDS_BOOTS_MISSING = 57455,
    IDS_BOOTS_UNKNOWN = 57456,
    IDS_TEST_BOOT_BIOS = 57457,
    IDS_TEST_BOOT_UEFI = 57458,
    IDS_TEST_BOOT_SECURE_BOOT = 57459,
    IDS_BOOTS_UEFI_SIGNED = 57460,
    IDS_BOOTS_UEFI_UNSIGNED = 57461,
    IDS_TEST_BOOT_ARM64 = 57462,
    IDS_BOOTS_UEFI_ARM64 = 57463,
    IDS_BOOTS_BIOS_AND_ARM64 = 57464,
    IDS_BOOTS_UEFI_BOTH = 57465,
    IDS_BOOTS_ALL = 57466,
    // What start-up found where it looked for the share (the %s of the
    // IDS_SHARE_LOOKED_IN_* texts), and what a share must hold.
    IDS_SAMBA_CONFIG_MISSING = 57467,
    IDS_FOLDER_MISSING = 57468,
    IDS_FOLDER_NOT_A_FOLDER = 57469,
    IDS_FOLDER_UNREADABLE = 57470,
    IDS_FOLDER_EMPTY = 57471,
    IDS_FOLDER_NO_SETUP = 57472,
    IDS_FOLDER_NO_LANGUAGE = 57473,
    IDS_SHARE_MUST_HOLD = 57474,
    IDS_LOADER_MISSING_PAGE = 57475,
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
    IDD_ABOUT_BOX = 141,        // About

    // The entry dialogs (entry_templates.cpp).
    IDB_WATERMARK = 103,           // wizard watermark
    IDD_VIEW_LOADER_FILES = 91,    // "Submenu" page
    IDD_SIFINFO_PAGE = 133,        // "Menu Item" page
    IDD_SIFINFO_WIZ = 134,
    IDD_SETUP_WIZ = 135,
    IDD_SELECT_IMAGE_WIZ = 136,
    IDD_MENU_WIZ = 138,
    IDD_APPEARANCE = 139,
    IDD_UNATTENDED_START = 142,  // opened from Submenu Screen Appearance
};

}  // namespace res

// Control identifiers. They are global, as the dialog code has always named
// them; the standard ones (IDOK, IDCANCEL, IDHELP, IDC_STATIC) come from
// standard_ids.h. Several controls share a number on different
// templates; the name says which template a control belongs to.
enum : int {
    // Main window.
    IDC_MAIN_TABS = 1025,
    IDC_MAIN_LIST = 1026,
    IDC_MAIN_ADD = 1021,
    IDC_MAIN_REMOVE = 102,
    IDC_MAIN_PROPERTIES = 1027,
    IDC_MAIN_REFRESH = 1028,
    IDC_MAIN_LANGUAGE_LABEL = 1052,
    IDC_MAIN_LANGUAGE = 1016,
    IDC_MAIN_ABOUT = 1049,

    // Wizard: single item or submenu.
    IDC_SETUP_SINGLE = 1016,
    IDC_SETUP_SUBMENU = 1017,

    // Description and help text of the wizard's description page and of
    // the property sheet's "Menu Item" page.
    IDC_SIF_DESCRIPTION = 1039,
    IDC_SIF_HELP = 1008,

    // Wizard: one submenu item.
    IDC_MENU_TITLE = 1018,
    IDC_MENU_DESCRIPTION_LABEL = 65534,
    IDC_MENU_DESCRIPTION = 1039,
    IDC_MENU_HELP = 10000,
    IDC_MENU_HARD_DRIVE = 14,
    IDC_MENU_HINT = 1019,

    // The property sheet's "Submenu" page.
    IDC_LOADER_LIST = 85,
    IDC_LOADER_ADD = 1021,
    IDC_LOADER_DELETE = 1022,
    IDC_LOADER_PROPERTIES = 1011,
    IDC_LOADER_APPEARANCE = 1033,

    // Submenu Screen Appearance.
    IDC_APPEARANCE_BANNER = 1042,
    IDC_NORMAL_BACKGROUND = 1043,
    IDC_NORMAL_TEXT = 1044,
    IDC_HIGHLIGHT_BACKGROUND = 1045,
    IDC_HIGHLIGHT_TEXT = 1046,
    IDC_APPEARANCE_START = 1047,

    // Unattended Start.
    IDC_START_ITEM = 1060,
    IDC_START_TIMEOUT = 1061,
    IDC_START_NOTE = 1062,

    // Boot image file edit and its three buttons, shared by every page and
    // dialog with a boot image file.
    IDC_IMAGE_FILE = 49,
    IDC_IMAGE_BROWSE = 48,
    IDC_IMAGE_CREATE = 50,
    IDC_IMAGE_VIEW = 46,
    IDC_IMAGE_LABEL = 1012,  // label of the Image page, replaced by a load error

    // Create Boot Image File.
    IDC_CREATE_NAME = 52,
    IDC_CREATE_ADVANCED = 1033,

    // Advanced Image Settings.
    IDC_SETTINGS_NORMAL = 3010,
    IDC_SETTINGS_EXTENDED = 3011,
    IDC_SETTINGS_CAPACITY = 98,
    IDC_SETTINGS_KEEP_UNDI = 3002,
    IDC_SETTINGS_KEEP_BASE = 3001,
    IDC_SETTINGS_WRITABLE = 3003,

    // Submenu Item Properties.
    IDC_SUBMENU_DESCRIPTION = 1039,
    IDC_SUBMENU_HELP_TEXT = 10000,
    IDC_SUBMENU_HARD_DRIVE = 14,

    // About.
    IDC_ABOUT_APP_VERSION = 1015,
    IDC_ABOUT_LIBRARY_VERSION = 1016,
    IDC_ABOUT_NOTICE1 = 1020,
    IDC_ABOUT_NOTICE2 = 1021,
    IDC_ABOUT_LINK = 1051,
    IDC_ABOUT_SUPPORT = 1053,
};
