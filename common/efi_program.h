// Telling an EFI program for x86-64 PCs from other files: a PE32+ image
// (Microsoft PE/COFF) for machine type x86-64. The editor tells which items
// start on UEFI PCs with it, and the image library refuses anything else as
// an image's UEFI boot program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace common {

// Bytes of the PE header that IsPe32PlusX64 looks at: the signature, the
// file header and the optional header's magic.
inline constexpr size_t kPeHeaderBytes = 26;

// Where the PE header of an MZ file starts (the word at 3Ch), or 0 when
// `head` (the file's first bytes) is no MZ file.
inline uint32_t PeHeaderOffset(const uint8_t* head, size_t size) {
    if (size < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
    return static_cast<uint32_t>(head[0x3C] | head[0x3D] << 8 | head[0x3E] << 16) |
           static_cast<uint32_t>(head[0x3F]) << 24;
}

// True when the kPeHeaderBytes at the PE header say PE32+ for x86-64.
inline bool IsPe32PlusX64(const uint8_t* pe) {
    return std::memcmp(pe, "PE\0\0", 4) == 0 && (pe[4] | pe[5] << 8) == 0x8664 && (pe[24] | pe[25] << 8) == 0x20B;
}

}  // namespace common
