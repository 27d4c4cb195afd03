#include "loader/efi/http_header.h"

static CHAR8 Lower(CHAR8 c) { return c >= 'A' && c <= 'Z' ? (CHAR8)(c + 32) : c; }

BOOLEAN HeaderNameIs(const CHAR8 *name, const char *wanted) {
    for (; *name && *wanted; ++name, ++wanted)
        if (Lower(*name) != Lower((CHAR8)*wanted)) return FALSE;
    return *name == 0 && *wanted == 0;
}

BOOLEAN ParseContentLength(const CHAR8 *text, UINT64 *value) {
    while (*text == ' ' || *text == '\t') ++text;
    if (*text < '0' || *text > '9') return FALSE;
    UINT64 v = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        UINT64 digit = (UINT64)(*text - '0');
        if (v > (~(UINT64)0 - digit) / 10) return FALSE;
        v = v * 10 + digit;
    }
    while (*text == ' ' || *text == '\t') ++text;
    if (*text != 0) return FALSE;
    *value = v;
    return TRUE;
}
