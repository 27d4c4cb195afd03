#include "loader/efi/web_setting.h"

static BOOLEAN StartsWith(const UINT8 *text, UINTN length, const char *prefix) {
    UINTN i = 0;
    for (; prefix[i]; ++i)
        if (i >= length || text[i] != (UINT8)prefix[i]) return FALSE;
    return length > i;
}

BOOLEAN ParseWebSetting(const UINT8 *text, UINTN size, CHAR16 *base, UINTN base_size) {
    UINTN start = 0, end;
    while (start < size && (text[start] == ' ' || text[start] == '\t')) ++start;
    for (end = start; end < size && text[end] != '\r' && text[end] != '\n'; ++end) {
    }
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    UINTN length = end - start;
    if (!StartsWith(text + start, length, "http://") && !StartsWith(text + start, length, "https://"))
        return FALSE;
    /* Room for the closing slash and the NUL. */
    if (length + 2 > base_size) return FALSE;
    for (UINTN i = 0; i < length; ++i) {
        UINT8 c = text[start + i];
        if (c <= ' ' || c >= 0x7F) return FALSE;
        base[i] = c;
    }
    if (base[length - 1] != '/') base[length++] = '/';
    base[length] = 0;
    return TRUE;
}
