/* How a file of the share is named on a web server, for menvolt.efi's HTTP
 * reads and for the check that tells an administrator which images an
 * HTTP client cannot fetch. Plain C, for the UEFI program and the editor.
 *
 * The name is the one the BIOS client asks TFTP for (server path and image
 * name): each backslash becomes a slash, and every byte outside RFC 3986's
 * unreserved set (letters, digits, "-._~") is written as %XX, so spaces,
 * "#", "?", "%" and Windows-1252 letters all travel. What cannot travel are
 * path segments a web server takes as more than a name: an empty one (two
 * separators in a row, which servers merge) and "." or ".." (which they
 * resolve: ".." would leave the share). */
#ifndef MENVOLT_COMMON_WEB_NAME_H
#define MENVOLT_COMMON_WEB_NAME_H

#include <stddef.h>

enum WebNameProblem { WEB_NAME_OK, WEB_NAME_EMPTY_SEGMENT, WEB_NAME_DOT_SEGMENT };

static inline int WebNameIsSeparator(unsigned char byte) { return byte == '\\' || byte == '/'; }

static inline int WebNameIsUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

/* Checks the `length` bytes of `name` segment by segment. A leading
 * separator is allowed (the share's root), as TFTP servers allow it. */
static inline enum WebNameProblem WebNameCheck(const unsigned char *name, size_t length) {
    size_t start = length > 0 && WebNameIsSeparator(name[0]) ? 1 : 0;
    for (size_t at = start; at <= length; ++at) {
        if (at < length && !WebNameIsSeparator(name[at])) continue;
        size_t segment = at - start;
        if (segment == 0) return WEB_NAME_EMPTY_SEGMENT;
        if ((segment == 1 && name[start] == '.') || (segment == 2 && name[start] == '.' && name[start + 1] == '.'))
            return WEB_NAME_DOT_SEGMENT;
        start = at + 1;
    }
    return WEB_NAME_OK;
}

/* The characters `byte` takes in a web address: 1, or 3 for %XX. */
static inline size_t WebNameEncode(unsigned char byte, char out[3]) {
    static const char hex[] = "0123456789ABCDEF";
    if (WebNameIsSeparator(byte)) {
        out[0] = '/';
        return 1;
    }
    if (WebNameIsUnreserved(byte)) {
        out[0] = (char)byte;
        return 1;
    }
    out[0] = '%';
    out[1] = hex[byte >> 4];
    out[2] = hex[byte & 15];
    return 3;
}

#endif
