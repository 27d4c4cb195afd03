// EFI programs for the editor's C++: the facts of common/boot_image.c's PE
// reader under C++ names, and why a file is no EFI application for a
// processor, as a sentence. The image library refuses such a file as an
// image's UEFI boot program, "boots on" never counts it, and the UEFI
// programs refuse it by the same rule with their own messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/boot_image.h"

namespace common {

// The machine types of the PCs our UEFI programs run on.
inline constexpr uint16_t kMachineX64 = BOOT_PE_MACHINE_X64, kMachineArm64 = BOOT_PE_MACHINE_AA64;

// What the Secure Boot tools and "boots on" need to know of a whole PE
// file: the headers that shim and the firmware check, the .sbat section
// shim asks a second stage for, and the Authenticode certificate table a
// signature lives in.
struct PeFacts {
    bool pe = false;             // MZ, a PE header inside the file
    bool pe32Plus = false;       // optional header PE32+ (64-bit)
    bool efiApplication = false; // subsystem 10
    uint16_t machine = 0;
    uint16_t subsystem = 0;
    uint32_t sections = 0;
    bool sectionTableInFile = false;
    uint32_t entryPoint = 0, sizeOfImage = 0;
    size_t sbatOffset = 0, sbatSize = 0;
    size_t certOffset = 0, certSize = 0;
    bool signedTable = false;
    BootPeFacts raw{};  // the same, as the shared rule reads them
};

inline PeFacts ReadPeFacts(const uint8_t* data, size_t size) {
    PeFacts f;
    ReadBootPeFacts(data, size, &f.raw);
    const BootPeFacts& r = f.raw;
    f.pe = r.pe;
    f.pe32Plus = r.pe32_plus;
    f.efiApplication = r.subsystem == 10;
    f.machine = r.machine;
    f.subsystem = r.subsystem;
    f.sections = r.sections;
    f.sectionTableInFile = r.section_table_in_file;
    f.entryPoint = r.entry_point;
    f.sizeOfImage = r.size_of_image;
    f.sbatOffset = r.sbat_offset;
    f.sbatSize = r.sbat_size;
    f.certOffset = r.cert_offset;
    f.certSize = r.cert_size;
    f.signedTable = r.signed_table;
    return f;
}

// "x86-64" or "ARM64".
inline const char* ProcessorName(uint16_t machine) { return machine == kMachineArm64 ? "ARM64" : "x86-64"; }

// Why a UEFI PC's firmware would not start the file as an EFI application
// for `machine` (x86-64 unless told), as far as its headers tell; empty
// when it would.
inline std::string EfiApplicationProblem(const PeFacts& f, uint16_t machine = kMachineX64) {
    char text[96];
    switch (BootPeProblemFor(&f.raw, machine)) {
        case BOOT_PE_OK: return "";
        case BOOT_PE_NOT_PE: return "it is not a PE program (no MZ and PE headers)";
        case BOOT_PE_OTHER_MACHINE:
            std::snprintf(text, sizeof text, "it is made for machine type %04Xh, not %s (%04Xh)", f.machine,
                          ProcessorName(machine), machine);
            return text;
        case BOOT_PE_NOT_PE32_PLUS: return "it is not a 64-bit PE32+ program";
        case BOOT_PE_CUT_SHORT: return "its optional header is cut short";
        case BOOT_PE_NO_SECTIONS: return "it has no sections";
        case BOOT_PE_SECTIONS_BEYOND: return "its section table lies beyond the end of the file";
        case BOOT_PE_ENTRY_OUTSIDE: return "its entry point lies outside the image";
        case BOOT_PE_NOT_APPLICATION:
            std::snprintf(text, sizeof text, "its subsystem is %u, not an EFI application (10)", f.subsystem);
            return text;
    }
    return "it is not an EFI program";
}

// The processor of ours that the file is an EFI application for (kMachineX64
// or kMachineArm64), or 0 with `problem` saying why it is neither: for a
// program of some other machine type, why it is no x86-64 one.
inline uint16_t EfiProgramMachine(const PeFacts& f, std::string* problem = nullptr) {
    const uint16_t machine = f.machine == kMachineArm64 ? kMachineArm64 : kMachineX64;
    std::string why = EfiApplicationProblem(f, machine);
    if (problem) *problem = why;
    return why.empty() ? machine : 0;
}

}  // namespace common
