#include "loader/efi/boot_file_names.h"

static UINTN Length(const CHAR8 *text) {
    UINTN n = 0;
    while (text[n]) ++n;
    return n;
}

static BOOLEAN IsSeparator(CHAR8 c) { return c == '/' || c == '\\'; }

static void Join(const CHAR8 *head, UINTN head_length, const CHAR8 *tail, CHAR8 *out) {
    UINTN n = 0;
    for (; n < head_length; ++n) out[n] = head[n];
    for (UINTN i = 0; tail[i]; ++i) out[n++] = tail[i];
    out[n] = 0;
}

void NameWithExtension(const CHAR8 *own, const CHAR8 *extension, CHAR8 *out, UINTN out_size) {
    UINTN length = Length(own), dot = length, extension_size = Length(extension) + 1;
    for (UINTN i = length; i-- > 0 && !IsSeparator(own[i]);) {
        if (own[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot + extension_size > out_size) dot = out_size - extension_size;
    Join(own, dot, extension, out);
}

BOOLEAN OtherNameInFolder(const CHAR8 *own, const CHAR8 *file, CHAR8 *out, UINTN out_size) {
    UINTN folder = Length(own);
    while (folder > 0 && !IsSeparator(own[folder - 1])) --folder;
    if (folder + Length(file) + 1 > out_size) return FALSE;
    Join(own, folder, file, out);
    UINTN i = 0;
    while (out[i] && out[i] == own[i]) ++i;
    return out[i] != own[i];
}
