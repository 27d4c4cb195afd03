// Identifiers of the controls that every page and dialog with a boot image
// file shares (the image pages of the wizard use the same ones), and of the
// image dialogs' own controls.
#pragma once

enum : int {
    // Boot image file edit and its three buttons.
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

    // Submenu Item Properties.
    IDC_SUBMENU_DESCRIPTION = 1039,
    IDC_SUBMENU_HELP_TEXT = 10000,
    IDC_SUBMENU_HARD_DRIVE = 14,
};

// Help context numbers of the image dialogs and pages.
enum : unsigned {
    HELP_CREATE_IMAGE = 7,
    HELP_IMAGE_SETTINGS = 8,
    HELP_EDIT_IMAGE_PAGE = 112,
    HELP_SUBMENU_ITEM = 114,
};

// The image library's help request: the context number travels in lParam.
enum : unsigned { WM_IMAGE_HELP = 0x0400 + 1 };
