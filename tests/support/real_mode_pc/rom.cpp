// What the machine holds when it is switched on: the vector table pointing
// at the BIOS's handlers, their IRETs, the far-call entry points, the BIOS
// data area, the return stubs of the bench's calls and the boot ROM's PXE
// structures.
#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

namespace {
constexpr uint8_t kIret = 0xCF, kRetf = 0xCB, kHlt = 0xF4;
}

void RealModePc::PowerOn() {
    for (uint32_t n = 0; n < 256; ++n) {
        PokeDword(n * 4, ModelVector(n));
        Poke(Linear(place::kBiosSeg, uint16_t(place::kVectorBase + 4 * n)), {kIret});
    }
    Poke(Linear(place::kBiosSeg, place::kPxenvEntry), {kRetf});
    Poke(Linear(place::kBiosSeg, place::kBangPxeEntry), {kRetf});
    Poke(Linear(place::kBiosSeg, place::kXmsEntry), {kRetf});
    Poke(place::kReturnStub, {kHlt});
    Poke(place::kInterruptReturn, {kHlt});
    Poke(place::kRestart, {kHlt});
    PokeWord(0x413, baseMemoryKb);
    PokeWord(0x410, 0x0022);
    PokeDword(0x46C, ticksAtPowerOn);
    BuildPxeStructures();
}

}  // namespace menvolt_test
