// Address arithmetic and error checking shared by the model files.
#pragma once

#include <unicorn/unicorn.h>

#include <cstdint>

#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

constexpr uint32_t Linear(uint16_t seg, uint16_t off) { return (uint32_t(seg) << 4) + off; }
constexpr uint32_t Far(uint16_t seg, uint16_t off) { return (uint32_t(seg) << 16) | off; }
// The far address of the BIOS's own handler of INT `number`.
constexpr uint32_t ModelVector(uint32_t number) { return Far(place::kBiosSeg, uint16_t(place::kVectorBase + 4 * number)); }

// Throws with the emulator's reason when a call into it fails.
void Check(uc_err err, const char* what);

}  // namespace menvolt_test
