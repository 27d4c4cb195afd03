// The identifiers the framework and the platform use themselves: the
// commands of the standard buttons (and the answers of the message boxes),
// the label nobody addresses, and the strings they show of their own
// accord. Every dialog template and every layer above res/ may read these;
// the application's own identifiers (resource.h) stay with the application,
// so the framework is told them, never reads them.
#pragma once

enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
    IDHELP = 9,
    IDC_STATIC = 65535,
};

namespace res {

// Their texts are in the one string table (string_table.cpp).
enum : unsigned {
    AFX_IDS_APP_TITLE = 57344,         // application title, caption of every application box
    IDS_MISSING_CHARACTER = 57398,     // the code page has no byte for a character typed
    IDS_MISSING_CHARACTERS = 57399,
    IDS_NOT_UTF8_BYTE = 57400,
    IDS_CHARACTER_NOT_STORED = 57448,  // caption of the notice
};

}  // namespace res
