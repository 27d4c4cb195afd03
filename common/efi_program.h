// Telling an EFI program for x86-64 PCs from other files: a PE32+ image
// (Microsoft PE/COFF) for machine type x86-64. The editor tells which items
// start on UEFI PCs with it, and the image library refuses anything else as
// an image's UEFI boot program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

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

// What the Secure Boot tools and "boots on" need to know of a whole PE
// file: the headers that shim and the firmware check, the .sbat section
// shim asks a second stage for, and the Authenticode certificate table a
// signature lives in (the security entry of the data directories; its
// offset is a file offset, not an address).
struct PeFacts {
    bool pe = false;             // MZ, a PE header inside the file
    bool pe32Plus = false;       // optional header PE32+ (64-bit)
    bool pe32PlusX64 = false;    // and machine x86-64
    bool efiApplication = false; // subsystem 10
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    uint32_t sections = 0;
    bool sectionTableInFile = false;  // all `sections` entries of the table lie inside the file
    uint32_t entryPoint = 0, sizeOfImage = 0;  // addresses relative to where the image is loaded
    size_t sbatOffset = 0, sbatSize = 0;    // the .sbat section's bytes in the file, or 0
    size_t certOffset = 0, certSize = 0;    // the certificate table, or 0
    bool signedTable = false;    // the table holds a PKCS #7 signature entry (WIN_CERT_TYPE_PKCS_SIGNED_DATA)
};

inline uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16) | static_cast<uint32_t>(p[3]) << 24;
}

inline PeFacts ReadPeFacts(const uint8_t* data, size_t size) {
    PeFacts f;
    const size_t pe = PeHeaderOffset(data, size);
    if (pe == 0 || pe > size || size - pe < kPeHeaderBytes || std::memcmp(data + pe, "PE\0\0", 4) != 0) return f;
    f.pe = true;
    f.machine = static_cast<uint16_t>(data[pe + 4] | data[pe + 5] << 8);
    f.pe32PlusX64 = IsPe32PlusX64(data + pe);
    f.pe32Plus = (data[pe + 24] | data[pe + 25] << 8) == 0x20B;
    f.sections = static_cast<uint32_t>(data[pe + 6] | data[pe + 7] << 8);
    const size_t optionalSize = static_cast<size_t>(data[pe + 20] | data[pe + 21] << 8);
    const size_t optional = pe + 24;
    // PE32+: the entry point at 16, SizeOfImage at 56, subsystem at 68, the
    // number of directories at 108, the security directory (the fifth) at
    // 112 + 4 * 8.
    if (f.pe32Plus && optionalSize >= 112 && optional + optionalSize <= size) {
        f.entryPoint = Le32(data + optional + 16);
        f.sizeOfImage = Le32(data + optional + 56);
        f.subsystem = static_cast<uint16_t>(data[optional + 68] | data[optional + 69] << 8);
        f.efiApplication = f.subsystem == 10;
        if (optionalSize >= 112 + 5 * 8 && Le32(data + optional + 108) >= 5) {
            const size_t at = Le32(data + optional + 144), length = Le32(data + optional + 148);
            if (length >= 8 && at <= size && length <= size - at) {
                f.certOffset = at;
                f.certSize = length;
                f.signedTable = (data[at + 6] | data[at + 7] << 8) == 0x0002;
            }
        }
    }
    const size_t table = optional + optionalSize;
    f.sectionTableInFile = table <= size && f.sections <= (size - table) / 40;
    for (uint32_t i = 0; i < f.sections && table + (i + 1) * 40 <= size; ++i) {
        const uint8_t* s = data + table + i * 40;
        if (std::memcmp(s, ".sbat\0\0\0", 8) != 0) continue;
        const size_t raw = Le32(s + 20), virtualSize = Le32(s + 8), rawSize = Le32(s + 16);
        const size_t length = virtualSize && virtualSize < rawSize ? virtualSize : rawSize;
        if (raw <= size && length <= size - raw) {
            f.sbatOffset = raw;
            f.sbatSize = length;
        }
    }
    return f;
}

// The machine types of the PCs our UEFI programs run on.
inline constexpr uint16_t kMachineX64 = 0x8664, kMachineArm64 = 0xAA64;

// Why a UEFI PC's firmware would not start the file as an EFI application
// for `machine` (x86-64 unless told), as far as its headers tell; empty
// when it would. The image
// library refuses such a file as an image's boot program, and "boots on"
// never calls it UEFI. menvolt.efi's own check of what it starts
// (loader/efi/start_image.c, in C) covers the header fields only and leaves
// sections and entry point to the firmware's LoadImage.
inline std::string EfiApplicationProblem(const PeFacts& f, uint16_t machine = kMachineX64) {
    char text[96];
    if (!f.pe) return "it is not a PE program (no MZ and PE headers)";
    if (f.machine != machine) {
        std::snprintf(text, sizeof text, "it is made for machine type %04Xh, not %s (%04Xh)", f.machine,
                      machine == kMachineArm64 ? "ARM64" : "x86-64", machine);
        return text;
    }
    if (!f.pe32Plus) return "it is not a 64-bit PE32+ program";
    if (f.sizeOfImage == 0) return "its optional header is cut short";
    if (f.sections == 0) return "it has no sections";
    if (!f.sectionTableInFile) return "its section table lies beyond the end of the file";
    if (f.entryPoint == 0 || f.entryPoint >= f.sizeOfImage) return "its entry point lies outside the image";
    if (!f.efiApplication) {
        std::snprintf(text, sizeof text, "its subsystem is %u, not an EFI application (10)", f.subsystem);
        return text;
    }
    return "";
}

}  // namespace common
