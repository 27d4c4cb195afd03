// INT 13h: the BIOS behind every RAM disk hook. It records each call that
// reaches it and answers with kBiosDiskStatus in AH, leaving AL and the
// caller's carry, so that a test sees what was passed on.
#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

void RealModePc::Disk() {
    chainedInt13.push_back(ReadRegisters());
    SetReg(UC_X86_REG_AX, uint16_t(kBiosDiskStatus << 8 | (Reg(UC_X86_REG_AX) & 0xFF)));
}

}  // namespace menvolt_test
