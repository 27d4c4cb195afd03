// The UNDI blocks a boot ROM leaves in its PXENV+ structure, the BIOS's base
// memory before the shut-down, and where base memory ends once the network
// stack's memory is given back. The menu's client and the extended image's
// start-up code both give it back, by one rule, before taking their own.
#pragma once
#include <cstdint>

namespace menvolt_test {

struct BaseMemoryCase {
    uint16_t dataSeg, dataSize, codeSeg, codeSize, beforeKb, givenBackKb;
};

inline constexpr BaseMemoryCase kBaseMemoryCases[] = {
    {0x9C00, 0x4000, 0x9000, 0x2000, 600, 640},  // data block higher: ends at A000h
    {0x9C00, 0x1000, 0x9C00, 0x8000, 600, 628},  // equal segments: the data block counts
    {0xA000, 0x8000, 0x9000, 0x1000, 600, 640},  // beyond 640 KB: 640
    {0, 0, 0, 0, 600, 600},                      // cleared by the boot ROM: kept, never 0
    {0x9B00, 0x1000, 0x9000, 0x2000, 639, 639},  // would lower it: kept
};

}  // namespace menvolt_test
