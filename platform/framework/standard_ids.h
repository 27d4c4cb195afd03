// The framework's standard identifiers: the commands of the standard buttons
// (and the answers of the message boxes), and the identifier of a label that
// nobody addresses. Every dialog template uses them, so the application's
// res/resource.h includes this header; it includes nothing itself, which is
// what lets the lowest floor include it.
#pragma once

enum : int {
    IDOK = 1,
    IDCANCEL = 2,
    IDYES = 6,
    IDNO = 7,
    IDHELP = 9,
    IDC_STATIC = 65535,
};
