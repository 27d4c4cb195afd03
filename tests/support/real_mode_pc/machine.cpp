// The machine itself: memory, registers, running, and the way an INT reaches
// the handler the vector table names.
#include <unicorn/unicorn.h>

#include <stdexcept>

#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

namespace {

constexpr uint16_t kFlagCarry = 0x0001, kFlagZero = 0x0040, kFlagTrap = 0x0100, kFlagInterrupt = 0x0200;
constexpr uint64_t kTimeoutMicroseconds = 20'000'000;
constexpr uint32_t kModelHandlers = Linear(place::kBiosSeg, place::kVectorBase);

void HookInterrupt(uc_engine*, uint32_t number, void* user) { static_cast<RealModePc*>(user)->OnInterrupt(number); }
void HookCode(uc_engine*, uint64_t address, uint32_t, void* user) { static_cast<RealModePc*>(user)->OnCode(address); }
void HookCount(uc_engine*, uint64_t, uint32_t, void* user) { ++static_cast<RealModePc*>(user)->instructions; }

}  // namespace

void Check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw std::runtime_error(std::string(what) + ": " + uc_strerror(err));
}

const char* StopName(Stop stop) {
    switch (stop) {
    case Stop::Halted: return "Halted";
    case Stop::ReturnedToCaller: return "ReturnedToCaller";
    case Stop::BootSector: return "BootSector";
    case Stop::ExtxCode: return "ExtxCode";
    case Stop::Restarted: return "Restarted";
    case Stop::WaitingForKey: return "WaitingForKey";
    case Stop::Timeout: return "Timeout";
    case Stop::Error: return "Error";
    }
    return "?";
}

RealModePc::RealModePc() {
    Check(uc_open(UC_ARCH_X86, UC_MODE_16, &m_uc), "uc_open");
    Check(uc_mem_map(m_uc, 0, 0x100000, UC_PROT_ALL), "map low");
    Check(uc_mem_map(m_uc, 0x100000, place::kMemoryTop - 0x100000, UC_PROT_ALL), "map high");
    uc_hook h;
    Check(uc_hook_add(m_uc, &h, UC_HOOK_INTR, reinterpret_cast<void*>(HookInterrupt), this, 1, 0), "intr hook");
    Check(uc_hook_add(m_uc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(HookCode), this, kModelHandlers,
                      kModelHandlers + 4 * 256 - 1),
          "handler hook");
    const uint32_t entries[] = {
        Linear(place::kBiosSeg, place::kPxenvEntry),
        Linear(place::kBiosSeg, place::kBangPxeEntry),
        Linear(place::kBiosSeg, place::kXmsEntry),
        Linear(place::kKtapSeg, place::kKtapEntry),
        Linear(place::kKtapSeg, place::kKtapHandler),
        place::kBootSector,
        place::kExtxCode,
        place::kRestart,
    };
    for (uint32_t at : entries)
        Check(uc_hook_add(m_uc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(HookCode), this, at, at), "code hook");
    ClearScreen();
    const char banner[] = "PXE boot ROM ready";
    for (size_t i = 0; i + 1 < sizeof banner; ++i) screen[0][i].ch = static_cast<uint8_t>(banner[i]);
    cursorRow = 2;
    cursorColumn = 0;
    callerRegisters.ax = 0xA1A1;
    callerRegisters.bx = 0xB2B2;
    callerRegisters.cx = 0xC3C3;
    callerRegisters.dx = 0xD4D4;
    callerRegisters.si = 0x5151;
    callerRegisters.di = 0xD1D1;
    callerRegisters.bp = 0xBEBE;
    callerRegisters.ds = 0x1234;
    callerRegisters.es = 0x5678;
}

RealModePc::~RealModePc() {
    if (m_uc) uc_close(m_uc);
}

// ---------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------
uint8_t RealModePc::Byte(uint32_t linear) const { return Bytes(linear, 1)[0]; }
uint16_t RealModePc::Word(uint32_t linear) const {
    auto b = Bytes(linear, 2);
    return uint16_t(b[0] | b[1] << 8);
}
uint32_t RealModePc::Dword(uint32_t linear) const { return Word(linear) | uint32_t(Word(linear + 2)) << 16; }
std::vector<uint8_t> RealModePc::Bytes(uint32_t linear, size_t count) const {
    std::vector<uint8_t> out(count);
    Check(uc_mem_read(m_uc, linear, out.data(), count), "read");
    return out;
}
void RealModePc::Poke(uint32_t linear, const void* data, size_t size) {
    Check(uc_mem_write(m_uc, linear, data, size), "write");
}
void RealModePc::Poke(uint32_t linear, const std::vector<uint8_t>& bytes) { Poke(linear, bytes.data(), bytes.size()); }
void RealModePc::PokeWord(uint32_t linear, uint16_t value) { Poke(linear, {uint8_t(value), uint8_t(value >> 8)}); }
void RealModePc::PokeDword(uint32_t linear, uint32_t value) {
    Poke(linear, {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)});
}
uint32_t RealModePc::VectorTarget(uint8_t number) const {
    uint32_t v = Dword(number * 4u);
    return Linear(uint16_t(v >> 16), uint16_t(v));
}

// ---------------------------------------------------------------------------
// Registers
// ---------------------------------------------------------------------------
uint32_t RealModePc::Reg(int reg) const {
    uint32_t value = 0;
    uc_reg_read(m_uc, reg, &value);
    return value;
}
void RealModePc::SetReg(int reg, uint32_t value) { uc_reg_write(m_uc, reg, &value); }

Registers RealModePc::ReadRegisters() const {
    Registers r;
    r.eax = Reg(UC_X86_REG_EAX);
    r.ebx = Reg(UC_X86_REG_EBX);
    r.ecx = Reg(UC_X86_REG_ECX);
    r.edx = Reg(UC_X86_REG_EDX);
    r.si = uint16_t(Reg(UC_X86_REG_SI));
    r.di = uint16_t(Reg(UC_X86_REG_DI));
    r.bp = uint16_t(Reg(UC_X86_REG_BP));
    r.sp = uint16_t(Reg(UC_X86_REG_SP));
    r.ds = uint16_t(Reg(UC_X86_REG_DS));
    r.es = uint16_t(Reg(UC_X86_REG_ES));
    r.ss = uint16_t(Reg(UC_X86_REG_SS));
    r.cs = uint16_t(Reg(UC_X86_REG_CS));
    r.ip = uint16_t(Reg(UC_X86_REG_IP));
    r.flags = uint16_t(Reg(UC_X86_REG_EFLAGS));
    return r;
}
void RealModePc::WriteRegisters(const Registers& r) {
    SetReg(UC_X86_REG_EAX, r.eax);
    SetReg(UC_X86_REG_EBX, r.ebx);
    SetReg(UC_X86_REG_ECX, r.ecx);
    SetReg(UC_X86_REG_EDX, r.edx);
    SetReg(UC_X86_REG_SI, r.si);
    SetReg(UC_X86_REG_DI, r.di);
    SetReg(UC_X86_REG_BP, r.bp);
    SetReg(UC_X86_REG_SP, r.sp);
    SetReg(UC_X86_REG_DS, r.ds);
    SetReg(UC_X86_REG_ES, r.es);
    SetReg(UC_X86_REG_SS, r.ss);
    SetReg(UC_X86_REG_CS, r.cs);
    SetReg(UC_X86_REG_IP, r.ip);
    SetReg(UC_X86_REG_EFLAGS, r.flags);
}
void RealModePc::SetCarry(bool on) {
    uint32_t f = Reg(UC_X86_REG_EFLAGS);
    SetReg(UC_X86_REG_EFLAGS, on ? (f | kFlagCarry) : (f & ~uint32_t(kFlagCarry)));
}
void RealModePc::SetZero(bool on) {
    uint32_t f = Reg(UC_X86_REG_EFLAGS);
    SetReg(UC_X86_REG_EFLAGS, on ? (f | kFlagZero) : (f & ~uint32_t(kFlagZero)));
}

// A handler that reports in carry or zero puts them into the flags its
// IRET takes back, as a BIOS does.
void RealModePc::ReturnFlagsThroughFrame() {
    const uint32_t frameFlags = Linear(uint16_t(Reg(UC_X86_REG_SS)), uint16_t(Reg(UC_X86_REG_SP) + 4));
    const uint16_t live = uint16_t(Reg(UC_X86_REG_EFLAGS));
    const uint16_t kept = Word(frameFlags) & ~(kFlagCarry | kFlagZero);
    PokeWord(frameFlags, uint16_t(kept | (live & (kFlagCarry | kFlagZero))));
}

// ---------------------------------------------------------------------------
// Running
// ---------------------------------------------------------------------------
void RealModePc::Load(const std::vector<uint8_t>& file, uint16_t segment) {
    PowerOn();
    Poke(Linear(segment, 0), file);
    Registers r = callerRegisters;
    r.ss = place::kCallerSs;
    r.sp = place::kCallerSp - 4;
    PokeWord(Linear(r.ss, r.sp), uint16_t(place::kReturnStub));  // IP
    PokeWord(Linear(r.ss, r.sp + 2), 0);                         // CS
    r.cs = segment;
    r.ip = 0;
    r.flags = 0x0002;
    WriteRegisters(r);
    written.clear();
}

void RealModePc::StopWith(Stop stop) {
    if (!m_stopSet) {
        m_stop = stop;
        m_stopSet = true;
        atStop = ReadRegisters();
    }
    uc_emu_stop(m_uc);
}

void RealModePc::CountInstructions(bool on) {
    if (on == m_counting) return;
    // Blocks translated without the counting hook would run uncounted.
    uc_ctl(m_uc, UC_CTL_WRITE(UC_CTL_TB_FLUSH, 0));
    if (on) {
        uc_hook h;
        Check(uc_hook_add(m_uc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(HookCount), this, 1, 0), "count hook");
        m_countHook = h;
    } else {
        uc_hook_del(m_uc, m_countHook);
    }
    m_counting = on;
}

Stop RealModePc::Execute(uint32_t begin, uint64_t maxInstructions) {
    m_stopSet = false;
    m_runStart = begin;
    m_leftRunStart = false;
    uc_err err = uc_emu_start(m_uc, begin, 0xFFFFFFFF, kTimeoutMicroseconds, maxInstructions);
    if (m_stopSet) return m_stop;
    atStop = ReadRegisters();
    if (err != UC_ERR_OK) return Stop::Error;
    size_t timedOut = 0;
    uc_query(m_uc, UC_QUERY_TIMEOUT, &timedOut);
    if (timedOut) return Stop::Timeout;
    uint32_t at = Linear(atStop.cs, atStop.ip);
    if (at == place::kReturnStub + 1 || at == place::kInterruptReturn + 1) return Stop::ReturnedToCaller;
    if (Byte(at - 1) == 0xF4) return Stop::Halted;
    return Stop::Timeout;  // instruction budget spent
}

Stop RealModePc::Run(uint64_t maxInstructions) {
    Registers r = ReadRegisters();
    return Execute(Linear(r.cs, r.ip), maxInstructions);
}

Stop RealModePc::RunFrom(uint16_t cs, uint16_t ip, uint64_t maxInstructions) {
    SetReg(UC_X86_REG_CS, cs);
    SetReg(UC_X86_REG_IP, ip);
    return Execute(Linear(cs, ip), maxInstructions);
}

Stop RealModePc::CallInterrupt(uint8_t number, Registers& regs) {
    Registers r = regs;
    r.ss = place::kCallerSs;
    r.sp = place::kCallerSp - 6;
    PokeWord(Linear(r.ss, r.sp), uint16_t(place::kInterruptReturn));
    PokeWord(Linear(r.ss, r.sp + 2), 0);
    PokeWord(Linear(r.ss, r.sp + 4), 0x0202);
    uint32_t v = Dword(number * 4u);
    r.cs = uint16_t(v >> 16);
    r.ip = uint16_t(v);
    r.flags = 0x0002;
    WriteRegisters(r);
    Stop stop = Execute(Linear(r.cs, r.ip), 10'000'000);
    regs = atStop;
    return stop;
}

// ---------------------------------------------------------------------------
// Interrupts: an INT pushes flags, CS and IP and continues at the handler
// the vector table names, whoever put it there.
// ---------------------------------------------------------------------------
void RealModePc::OnInterrupt(uint32_t number) {
    Registers r = ReadRegisters();
    r.sp = uint16_t(r.sp - 6);
    PokeWord(Linear(r.ss, r.sp), r.ip);
    PokeWord(Linear(r.ss, r.sp + 2), r.cs);
    PokeWord(Linear(r.ss, r.sp + 4), r.flags);
    uint32_t v = Dword(number * 4);
    SetReg(UC_X86_REG_SP, r.sp);
    SetReg(UC_X86_REG_EFLAGS, r.flags & ~(kFlagInterrupt | kFlagTrap));
    SetReg(UC_X86_REG_CS, uint16_t(v >> 16));
    SetReg(UC_X86_REG_IP, uint16_t(v));
}

void RealModePc::OnCode(uint64_t address) {
    // Arriving somewhere stops a run; starting there does not.
    const bool runStart = !m_leftRunStart && address == m_runStart;
    m_leftRunStart = true;
    if (address >= kModelHandlers && address < kModelHandlers + 4 * 256) {
        if ((address - kModelHandlers) % 4 == 0) {
            BiosService(uint32_t(address - kModelHandlers) / 4);
            ReturnFlagsThroughFrame();
        }
    } else if (address == Linear(place::kBiosSeg, place::kPxenvEntry) ||
               address == Linear(place::kKtapSeg, place::kKtapEntry)) {
        PxeService(uint16_t(Reg(UC_X86_REG_BX)), uint16_t(Reg(UC_X86_REG_ES)), uint16_t(Reg(UC_X86_REG_DI)), false);
    } else if (address == Linear(place::kBiosSeg, place::kBangPxeEntry)) {
        uint32_t sp = Linear(uint16_t(Reg(UC_X86_REG_SS)), uint16_t(Reg(UC_X86_REG_SP)));
        PxeService(Word(sp + 4), Word(sp + 8), Word(sp + 6), true);
    } else if (address == Linear(place::kBiosSeg, place::kXmsEntry)) {
        XmsService();
    } else if (address == Linear(place::kKtapSeg, place::kKtapHandler)) {
        StaleInstallCheck();
        ReturnFlagsThroughFrame();
    } else if (runStart) {
        return;
    } else if (address == place::kBootSector) {
        StopWith(Stop::BootSector);
    } else if (address == place::kExtxCode) {
        StopWith(Stop::ExtxCode);
    } else if (address == place::kRestart) {
        StopWith(Stop::Restarted);
    }
}

void RealModePc::BiosService(uint32_t number) {
    switch (number) {
    case 0x10: Video(); break;
    case 0x13: Disk(); break;
    case 0x15: SystemServices(); break;
    case 0x16: Keyboard(); break;
    case 0x1A: PxeInstallCheck(); break;
    case 0x2F: Multiplex(); break;
    default: StopWith(Stop::Error); break;
    }
}

}  // namespace menvolt_test
