// INT 16h: keys come from the test's script; a program that waits for one
// when the script is spent stops the run, and resumes in the BIOS when the
// test gives more.
#include "machine_internal.h"
#include "real_mode_pc.h"

namespace realmode {

void RealModePc::Keyboard() {
    uint8_t ah = uint8_t(Reg(UC_X86_REG_AX) >> 8);
    if (ah == 0x01 || ah == 0x11) {
        if (keys.empty()) {
            SetZero(true);
            StopWith(Stop::WaitingForKey);
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

}  // namespace realmode
