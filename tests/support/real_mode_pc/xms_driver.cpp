// An XMS driver: found through INT 2Fh (4300h, 4310h), served at its far
// entry point. It reports xmsFreeKb free, allocates handle 42h, and
// records each function asked for.
#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

void RealModePc::Multiplex() {
    if (!xmsDriver) return;  // AL stays as asked, not 80h
    uint16_t ax = uint16_t(Reg(UC_X86_REG_AX));
    if (ax == 0x4300) SetReg(UC_X86_REG_AX, 0x4380);
    if (ax == 0x4310) {
        SetReg(UC_X86_REG_ES, place::kBiosSeg);
        SetReg(UC_X86_REG_BX, place::kXmsEntry);
    }
}

void RealModePc::XmsService() {
    Registers r = ReadRegisters();
    uint8_t fn = r.ax >> 8;
    xmsFunctions.push_back(fn);
    switch (fn) {
    case 0x08:  // query free memory
        SetReg(UC_X86_REG_AX, xmsFreeKb);
        SetReg(UC_X86_REG_DX, xmsFreeKb);
        break;
    case 0x09:  // allocate
        SetReg(UC_X86_REG_AX, r.dx != 0 && r.dx <= xmsFreeKb ? 1 : 0);
        SetReg(UC_X86_REG_DX, 0x0042);
        break;
    case 0x0F:  // reallocate
        xmsReallocKb = r.bx;
        SetReg(UC_X86_REG_AX, 1);
        break;
    case 0x0C:  // lock: physical address in DX:BX
        SetReg(UC_X86_REG_AX, 1);
        SetReg(UC_X86_REG_DX, 0x0011);
        SetReg(UC_X86_REG_BX, 0);
        break;
    default: SetReg(UC_X86_REG_AX, 0); break;
    }
}

}  // namespace menvolt_test
