// INT 16h: keys come from the test's script; a program that waits for one
// when the script is spent stops the run, and resumes in the BIOS when the
// test gives more. A check for a key while idle ticks are left is where
// time passes: one BIOS tick each.
#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

void RealModePc::Keyboard() {
    uint8_t ah = uint8_t(Reg(UC_X86_REG_AX) >> 8);
    if (ah == 0x01 || ah == 0x11) {
        if (keys.empty()) {
            SetZero(true);
            if (idleTicks == 0) {
                StopWith(Stop::WaitingForKey);
                return;
            }
            --idleTicks;
            bool midnight = Dword(0x46C) + 1 >= 0x1800B0;  // ticks a day
            if (midnight) Poke(0x470, {1});
            PokeDword(0x46C, midnight ? 0 : Dword(0x46C) + 1);
            return;
        }
        SetZero(false);
        SetReg(UC_X86_REG_AX, keys.front());
    } else if (ah == 0x00 || ah == 0x10) {
        if (keys.empty()) {
            StopWith(Stop::WaitingForKey);
            return;
        }
        SetReg(UC_X86_REG_AX, keys.front());
        keys.pop_front();
        ++keysRead;
    }
}

}  // namespace menvolt_test
