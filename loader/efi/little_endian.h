/* The one reader of the little-endian fields in what this program reads:
 * the loader file's words, the fields of images and PE programs. */
#pragma once
#include <efi.h>

static inline UINT16 ReadLe16(const UINT8 *p) { return (UINT16)(p[0] | (p[1] << 8)); }
static inline UINT32 ReadLe32(const UINT8 *p) {
    return (UINT32)p[0] | ((UINT32)p[1] << 8) | ((UINT32)p[2] << 16) | ((UINT32)p[3] << 24);
}
