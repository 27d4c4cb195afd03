/* A file of the share as a web address, by the rule of common/web_name.h. */
#include "common/web_name.h"
#include "loader/efi/menvolt_efi.h"

BOOLEAN WebAddress(const CHAR16 *base, const CHAR8 *name, CHAR16 *out, UINTN size) {
    UINTN n = 0;
    for (; base[n]; ++n) {
        if (n + 1 >= size) return FALSE;
        out[n] = base[n];
    }
    /* The base ends in a slash: a name from the share's root has one already. */
    const CHAR8 *at = name;
    if (WebNameIsSeparator(*at)) ++at;
    for (; *at; ++at) {
        char encoded[3];
        UINTN count = WebNameEncode(*at, encoded);
        if (n + count >= size) return FALSE;
        for (UINTN i = 0; i < count; ++i) out[n++] = (CHAR16)(UINT8)encoded[i];
    }
    out[n] = 0;
    return TRUE;
}
