#include "real_mode_machine.h"

#include <cstring>

namespace imagetest {
namespace {

uint16_t Reg16(uc_engine* uc, int reg) {
    uint16_t v = 0;
    uc_reg_read(uc, reg, &v);
    return v;
}
void SetReg16(uc_engine* uc, int reg, uint16_t v) { uc_reg_write(uc, reg, &v); }

constexpr uint32_t kCarry = 1;

}  // namespace

RealModeMachine::RealModeMachine() {
    if (uc_open(UC_ARCH_X86, UC_MODE_16, &m_uc) != UC_ERR_OK) {
        m_uc = nullptr;
        return;
    }
    uc_mem_map(m_uc, 0, 0x100000, UC_PROT_ALL);
    uc_mem_map(m_uc, 0x100000, kMemoryEnd - 0x100000, UC_PROT_ALL);
    uc_hook_add(m_uc, &m_hook, UC_HOOK_INTR, reinterpret_cast<void*>(&RealModeMachine::OnInterrupt), this, 1, 0);
    // The BIOS INT 13h: records the call, answers "no such drive" with a mark.
    const uint8_t bios13[] = {0xCD, 0xF3, 0xCF};  // int 0F3h; iret
    Write(kBiosInt13, bios13, sizeof bios13);
    Write16(0x13 * 4, 0xE000);
    Write16(0x13 * 4 + 2, 0xF000);
    // The BIOS INT 15h the vector names: answers like the one INT 15h
    // instructions reach, keeping the carry it sets.
    const uint8_t bios15[] = {0xCD, 0xF5, 0xCA, 0x02, 0x00};  // int 0F5h; retf 2
    Write(kBiosInt15, bios15, sizeof bios15);
    Write16(0x15 * 4, 0xE100);
    Write16(0x15 * 4 + 2, 0xF000);
    Write16(0x413, 600);  // base memory in KB, below a boot ROM's reservation
    const uint8_t halt = 0xF4;
    Write(kRestart, &halt, 1);
    const uint8_t xmsEntry[] = {0xCD, 0xF4, 0xCB};  // int 0F4h; retf
    Write(0xFF000, xmsEntry, sizeof xmsEntry);
}

RealModeMachine::~RealModeMachine() {
    if (m_uc) uc_close(m_uc);
}

void RealModeMachine::Write(uint32_t linear, const void* data, size_t size) {
    uc_mem_write(m_uc, linear, data, size);
}

std::vector<uint8_t> RealModeMachine::Read(uint32_t linear, size_t size) {
    std::vector<uint8_t> out(size);
    uc_mem_read(m_uc, linear, out.data(), size);
    return out;
}

uint16_t RealModeMachine::Read16(uint32_t linear) {
    auto b = Read(linear, 2);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

uint32_t RealModeMachine::Vector(int vector) {
    return static_cast<uint32_t>(Read16(vector * 4 + 2)) * 16 + Read16(vector * 4);
}

void RealModeMachine::InstallPxe(uint16_t undiDataSeg, uint16_t undiDataSize, uint16_t undiCodeSeg,
                                 uint16_t undiCodeSize) {
    pxePresent = true;
    const uint32_t base = kPxeSeg * 16;
    uint8_t pxenv[0x2C] = {};
    std::memcpy(pxenv, "PXENV+", 6);
    pxenv[6] = 0x01;  // version 2.1
    pxenv[7] = 0x02;
    pxenv[8] = sizeof pxenv;
    auto put16 = [&](uint8_t* p, size_t at, uint16_t v) {
        p[at] = static_cast<uint8_t>(v);
        p[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    put16(pxenv, 0x0A, 0x0100);  // RMEntry
    put16(pxenv, 0x0C, kPxeSeg);
    put16(pxenv, 0x20, undiDataSeg);
    put16(pxenv, 0x22, undiDataSize);
    put16(pxenv, 0x24, undiCodeSeg);
    put16(pxenv, 0x26, undiCodeSize);
    put16(pxenv, 0x28, 0x0200);  // PXEPtr
    put16(pxenv, 0x2A, kPxeSeg);
    Write(base, pxenv, sizeof pxenv);
    uint8_t bang[0x58] = {};
    std::memcpy(bang, "!PXE", 4);
    put16(bang, 0x10, 0x0300);  // EntryPointSP
    put16(bang, 0x12, kPxeSeg);
    Write(base + 0x200, bang, sizeof bang);
    const uint8_t rmEntry[] = {0xCD, 0xF1, 0xCB};  // int 0F1h; retf
    const uint8_t spEntry[] = {0xCD, 0xF2, 0xCB};  // int 0F2h; retf
    Write(base + 0x100, rmEntry, sizeof rmEntry);
    Write(base + 0x300, spEntry, sizeof spEntry);
}

void RealModeMachine::SetRegs(const Regs& r) {
    SetReg16(m_uc, UC_X86_REG_AX, r.ax);
    SetReg16(m_uc, UC_X86_REG_BX, r.bx);
    SetReg16(m_uc, UC_X86_REG_CX, r.cx);
    SetReg16(m_uc, UC_X86_REG_DX, r.dx);
    SetReg16(m_uc, UC_X86_REG_SI, r.si);
    SetReg16(m_uc, UC_X86_REG_DI, r.di);
    SetReg16(m_uc, UC_X86_REG_ES, r.es);
    SetReg16(m_uc, UC_X86_REG_DS, r.ds);
}

Regs RealModeMachine::GetRegs() {
    Regs r;
    r.ax = Reg16(m_uc, UC_X86_REG_AX);
    r.bx = Reg16(m_uc, UC_X86_REG_BX);
    r.cx = Reg16(m_uc, UC_X86_REG_CX);
    r.dx = Reg16(m_uc, UC_X86_REG_DX);
    r.si = Reg16(m_uc, UC_X86_REG_SI);
    r.di = Reg16(m_uc, UC_X86_REG_DI);
    r.es = Reg16(m_uc, UC_X86_REG_ES);
    r.ds = Reg16(m_uc, UC_X86_REG_DS);
    uint32_t flags = 0;
    uc_reg_read(m_uc, UC_X86_REG_EFLAGS, &flags);
    r.carry = flags & kCarry;
    return r;
}

bool RealModeMachine::Run(uint16_t cs, uint16_t ip, uint32_t until, Regs* regs) {
    if (!m_uc) {
        error = "no emulator";
        return false;
    }
    for (int round = 0; round < 10000; ++round) {
        SetReg16(m_uc, UC_X86_REG_CS, cs);
        m_redirect = false;
        // In 16-bit mode the start address is linear; CS must be set first.
        uc_err err = uc_emu_start(m_uc, static_cast<uint32_t>(cs) * 16 + ip, until, 5 * 1000 * 1000, 0);
        if (err != UC_ERR_OK) {
            error = uc_strerror(err);
            return false;
        }
        if (!m_redirect) break;
        cs = m_redirectCs;
        ip = m_redirectIp;
    }
    if (regs) *regs = GetRegs();
    return true;
}

Regs RealModeMachine::CallInt13(const Regs& in) {
    // An INT pushes flags, CS and IP; the handler returns to a HLT at 0:0500.
    const uint8_t halt = 0xF4;
    Write(0x0500, &halt, 1);
    SetReg16(m_uc, UC_X86_REG_SS, 0);
    const uint16_t sp = 0x6FFA;
    SetReg16(m_uc, UC_X86_REG_SP, sp);
    const uint16_t frame[3] = {0x0500, 0x0000, 0x0202};
    Write(sp, frame, sizeof frame);
    uint32_t flags = 0x0002;
    uc_reg_write(m_uc, UC_X86_REG_EFLAGS, &flags);
    SetRegs(in);
    Regs out;
    if (!Run(static_cast<uint16_t>(Read16(0x13 * 4 + 2)), Read16(0x13 * 4), 0x0500, &out)) out.ax = 0xDEAD;
    return out;
}

Regs32 RealModeMachine::CallVector(int vector, const Regs32& in) {
    const uint8_t halt = 0xF4;
    Write(0x0500, &halt, 1);
    SetReg16(m_uc, UC_X86_REG_SS, 0);
    const uint16_t sp = 0x6FFA;
    SetReg16(m_uc, UC_X86_REG_SP, sp);
    const uint16_t frame[3] = {0x0500, 0x0000, 0x0202};
    Write(sp, frame, sizeof frame);
    uint32_t flags = 0x0002;
    uc_reg_write(m_uc, UC_X86_REG_EFLAGS, &flags);
    uc_reg_write(m_uc, UC_X86_REG_EAX, &in.eax);
    uc_reg_write(m_uc, UC_X86_REG_EBX, &in.ebx);
    uc_reg_write(m_uc, UC_X86_REG_ECX, &in.ecx);
    uc_reg_write(m_uc, UC_X86_REG_EDX, &in.edx);
    SetReg16(m_uc, UC_X86_REG_ES, in.es);
    SetReg16(m_uc, UC_X86_REG_DI, in.di);
    Regs32 out;
    if (!Run(Read16(vector * 4 + 2), Read16(vector * 4), 0x0500)) {
        out.eax = 0xDEAD;
        return out;
    }
    uc_reg_read(m_uc, UC_X86_REG_EAX, &out.eax);
    uc_reg_read(m_uc, UC_X86_REG_EBX, &out.ebx);
    uc_reg_read(m_uc, UC_X86_REG_ECX, &out.ecx);
    uc_reg_read(m_uc, UC_X86_REG_EDX, &out.edx);
    out.es = Reg16(m_uc, UC_X86_REG_ES);
    out.di = Reg16(m_uc, UC_X86_REG_DI);
    // The caller sees the flags the handler returned with: an IRET takes
    // them from the frame, a RETF 2 keeps the live ones.
    uint32_t live = 0;
    uc_reg_read(m_uc, UC_X86_REG_EFLAGS, &live);
    out.carry = live & kCarry;
    return out;
}

void RealModeMachine::OnInterrupt(uc_engine*, uint32_t intno, void* self) {
    static_cast<RealModeMachine*>(self)->Interrupt(intno);
}

void RealModeMachine::Interrupt(uint32_t intno) {
    Regs r = GetRegs();
    uint32_t flags = 0;
    uc_reg_read(m_uc, UC_X86_REG_EFLAGS, &flags);
    auto setCarry = [&](bool on) {
        flags = on ? (flags | kCarry) : (flags & ~kCarry);
        uc_reg_write(m_uc, UC_X86_REG_EFLAGS, &flags);
    };
    const uint8_t ah = r.ax >> 8;
    switch (intno) {
        case 0x10:
            if (ah == 0x0E) screen += static_cast<char>(r.ax & 0xFF);
            return;
        case 0x16:
            if (ah == 0x00 || ah == 0x10) {
                ++keysRead;
                SetReg16(m_uc, UC_X86_REG_AX, 0x1C0D);
            }
            return;
        case 0xF5:
            ++chained15;
            [[fallthrough]];
        case 0x15:
            if (r.ax == 0xE820 && hasE820) {
                uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
                uc_reg_read(m_uc, UC_X86_REG_EAX, &eax);
                uc_reg_read(m_uc, UC_X86_REG_EBX, &ebx);
                uc_reg_read(m_uc, UC_X86_REG_ECX, &ecx);
                uc_reg_read(m_uc, UC_X86_REG_EDX, &edx);
                if (eax != 0xE820 || edx != 0x534D4150 || ebx >= memoryMap.size() || ecx < 20) {
                    SetReg16(m_uc, UC_X86_REG_AX, 0x8600);
                    setCarry(true);
                    return;
                }
                const MapRange& m = memoryMap[ebx];
                uint8_t entry[20];
                std::memcpy(entry, &m.base, 8);
                std::memcpy(entry + 8, &m.length, 8);
                std::memcpy(entry + 16, &m.type, 4);
                Write(static_cast<uint32_t>(r.es) * 16 + r.di, entry, sizeof entry);
                eax = 0x534D4150;
                ebx = ebx + 1 < memoryMap.size() ? ebx + 1 : 0;
                ecx = 20;
                uc_reg_write(m_uc, UC_X86_REG_EAX, &eax);
                uc_reg_write(m_uc, UC_X86_REG_EBX, &ebx);
                uc_reg_write(m_uc, UC_X86_REG_ECX, &ecx);
                setCarry(false);
                return;
            }
            if (r.ax == 0xE801 && hasE801) {
                SetReg16(m_uc, UC_X86_REG_AX, e801Low);
                SetReg16(m_uc, UC_X86_REG_CX, e801Low);
                SetReg16(m_uc, UC_X86_REG_BX, e801High);
                SetReg16(m_uc, UC_X86_REG_DX, e801High);
                setCarry(false);
                return;
            }
            if (ah == 0x88) {
                SetReg16(m_uc, UC_X86_REG_AX, ext88);
                setCarry(false);
                return;
            }
            if (ah != 0x87) {
                SetReg16(m_uc, UC_X86_REG_AX, static_cast<uint16_t>(0x8600 | (r.ax & 0xFF)));
                setCarry(true);
                return;
            }
            {
                const uint32_t table = static_cast<uint32_t>(r.es) * 16 + r.si;
                auto d = Read(table, 48);
                const uint32_t src = d[0x12] | (d[0x13] << 8) | (d[0x14] << 16) | (static_cast<uint32_t>(d[0x17]) << 24);
                const uint32_t dst = d[0x1A] | (d[0x1B] << 8) | (d[0x1C] << 16) | (static_cast<uint32_t>(d[0x1F]) << 24);
                const size_t bytes = static_cast<size_t>(r.cx) * 2;
                if (src + bytes > kMemoryEnd || dst + bytes > kMemoryEnd || src + bytes > failMovesFrom ||
                    dst + bytes > failMovesFrom) {
                    SetReg16(m_uc, UC_X86_REG_AX, 0x0300);
                    setCarry(true);
                    return;
                }
                auto data = Read(src, bytes);
                Write(dst, data.data(), bytes);
                SetReg16(m_uc, UC_X86_REG_AX, 0);
                setCarry(false);
            }
            return;
        case 0x1A:
            if (r.ax == 0x5650 && pxePresent) {
                SetReg16(m_uc, UC_X86_REG_AX, 0x564E);
                SetReg16(m_uc, UC_X86_REG_ES, kPxeSeg);
                SetReg16(m_uc, UC_X86_REG_BX, 0);
                setCarry(false);
            } else {
                setCarry(true);
            }
            return;
        case 0x2F:
            if (!xmsPresent) return;  // AL stays as asked, not 80h
            if (r.ax == 0x4300) SetReg16(m_uc, UC_X86_REG_AX, 0x4380);
            if (r.ax == 0x4310) {
                SetReg16(m_uc, UC_X86_REG_ES, 0xF000);
                SetReg16(m_uc, UC_X86_REG_BX, 0xF000);
            }
            return;
        case 0xF4:
            xmsCalls.push_back(ah);
            if (ah == 0x08) SetReg16(m_uc, UC_X86_REG_AX, 30000);  // largest free block, KB
            if (ah == 0x09) {
                SetReg16(m_uc, UC_X86_REG_AX, 1);
                SetReg16(m_uc, UC_X86_REG_DX, 0x0042);  // handle
            }
            if (ah == 0x0F) {
                xmsResizeKb = r.bx;
                SetReg16(m_uc, UC_X86_REG_AX, 1);
            }
            if (ah == 0x0C) SetReg16(m_uc, UC_X86_REG_AX, 1);
            return;
        case 0xF1:
            pxeCalls.push_back(r.bx);
            SetReg16(m_uc, UC_X86_REG_AX, 0);
            return;
        case 0xF2: {
            uint16_t sp = Reg16(m_uc, UC_X86_REG_SP);
            uint16_t ss = Reg16(m_uc, UC_X86_REG_SS);
            pxeSpCalls.push_back(Read16(static_cast<uint32_t>(ss) * 16 + static_cast<uint16_t>(sp + 4)));
            SetReg16(m_uc, UC_X86_REG_AX, 0);
            return;
        }
        case 0xF3:
            ++chained13;
            SetReg16(m_uc, UC_X86_REG_AX, 0x7700 | (r.ax & 0xFF));
            return;
        case 0x13: {
            // No vector table in the emulator: push the frame an INT pushes
            // and continue at the handler the table names.
            uint16_t sp = Reg16(m_uc, UC_X86_REG_SP);
            const uint16_t ss = Reg16(m_uc, UC_X86_REG_SS);
            const uint16_t frame[3] = {Reg16(m_uc, UC_X86_REG_IP), Reg16(m_uc, UC_X86_REG_CS),
                                       static_cast<uint16_t>(flags)};
            sp = static_cast<uint16_t>(sp - 6);
            Write(static_cast<uint32_t>(ss) * 16 + sp, frame, sizeof frame);
            SetReg16(m_uc, UC_X86_REG_SP, sp);
            m_redirect = true;
            m_redirectCs = Read16(0x13 * 4 + 2);
            m_redirectIp = Read16(0x13 * 4);
            uc_emu_stop(m_uc);
            return;
        }
        default:
            return;
    }
}

}  // namespace imagetest
