// The smallest file the image library and "boots on" take for an EFI
// application: MZ and PE headers, one section, the entry point inside the
// image; for x86-64 unless another `machine` is given. `subsystem` 3 makes
// it a console program instead.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace menvolt_test {

inline std::vector<uint8_t> MinimalEfiProgram(uint16_t subsystem = 10, uint16_t machine = 0x8664) {
    std::vector<uint8_t> p(1024);
    auto put32 = [&](size_t at, uint32_t v) { for (int i = 0; i < 4; ++i) p[at + i] = static_cast<uint8_t>(v >> 8 * i); };
    std::memcpy(p.data(), "MZ", 2);
    p[0x3C] = 0x40;
    std::memcpy(&p[0x40], "PE\0\0\x64\x86\x01\x00", 8);  // x86-64, one section
    p[0x44] = static_cast<uint8_t>(machine), p[0x45] = static_cast<uint8_t>(machine >> 8);
    p[0x54] = 0xF0;                                      // the optional header's size
    std::memcpy(&p[0x58], "\x0B\x02", 2);                // PE32+
    put32(0x58 + 16, 0x1000);                            // entry point
    put32(0x58 + 56, 0x2000);                            // size of image
    p[0x58 + 68] = static_cast<uint8_t>(subsystem);
    std::memcpy(&p[0x148], ".text", 5);
    put32(0x148 + 8, 0x1000), put32(0x148 + 12, 0x1000), put32(0x148 + 16, 0x200), put32(0x148 + 20, 0x200);
    return p;
}

}  // namespace menvolt_test
