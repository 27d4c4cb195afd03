#include "client_machine.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace client_bench {

namespace {

constexpr uint32_t Linear(uint16_t seg, uint16_t off) { return (uint32_t(seg) << 4) + off; }
constexpr uint32_t Far(uint16_t seg, uint16_t off) { return (uint32_t(seg) << 16) | off; }
constexpr uint16_t kFlagCarry = 0x0001, kFlagZero = 0x0040, kFlagTrap = 0x0100, kFlagInterrupt = 0x0200;
constexpr uint64_t kTimeoutMicroseconds = 20'000'000;

void Check(uc_err err, const char* what) {
    if (err != UC_ERR_OK) throw std::runtime_error(std::string(what) + ": " + uc_strerror(err));
}

void HookInterrupt(uc_engine*, uint32_t number, void* user) {
    static_cast<ClientMachine*>(user)->OnInterrupt(number);
}
void HookCode(uc_engine*, uint64_t address, uint32_t, void* user) {
    static_cast<ClientMachine*>(user)->OnCode(address);
}
void HookCount(uc_engine*, uint64_t, uint32_t, void* user) {
    ++static_cast<ClientMachine*>(user)->instructions;
}

uint32_t ModelVector(uint32_t number) { return Far(place::kBiosSeg, place::kVectorBase + 4 * number); }

}  // namespace

const char* StopName(Stop stop) {
    switch (stop) {
    case Stop::Halted: return "Halted";
    case Stop::ReturnedToCaller: return "ReturnedToCaller";
    case Stop::BootSector: return "BootSector";
    case Stop::ExtxCode: return "ExtxCode";
    case Stop::WaitingForKey: return "WaitingForKey";
    case Stop::Timeout: return "Timeout";
    case Stop::Error: return "Error";
    }
    return "?";
}

ClientMachine::ClientMachine() {
    Check(uc_open(UC_ARCH_X86, UC_MODE_16, &m_uc), "uc_open");
    Check(uc_mem_map(m_uc, 0, 0x100000, UC_PROT_ALL), "map low");
    Check(uc_mem_map(m_uc, 0x100000, place::kMemoryTop - 0x100000, UC_PROT_ALL), "map high");
    uc_hook h;
    Check(uc_hook_add(m_uc, &h, UC_HOOK_INTR, reinterpret_cast<void*>(HookInterrupt), this, 1, 0), "intr hook");
    const uint32_t entries[] = {
        Linear(place::kBiosSeg, place::kPxenvEntry),
        Linear(place::kBiosSeg, place::kBangPxeEntry),
        Linear(place::kBiosSeg, place::kXmsEntry),
        Linear(place::kKtapSeg, place::kKtapEntry),
        Linear(place::kBiosSeg, place::kVectorBase + 4 * 0x13),
        0x7C00,
        0x10000,
    };
    for (uint32_t at : entries)
        Check(uc_hook_add(m_uc, &h, UC_HOOK_CODE, reinterpret_cast<void*>(HookCode), this, at, at), "code hook");
    for (auto& row : screen)
        for (auto& cell : row) cell = Cell{};
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

ClientMachine::~ClientMachine() {
    if (m_uc) uc_close(m_uc);
}

// ---------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------
uint8_t ClientMachine::Byte(uint32_t linear) const { return Bytes(linear, 1)[0]; }
uint16_t ClientMachine::Word(uint32_t linear) const {
    auto b = Bytes(linear, 2);
    return uint16_t(b[0] | b[1] << 8);
}
uint32_t ClientMachine::Dword(uint32_t linear) const { return Word(linear) | uint32_t(Word(linear + 2)) << 16; }
std::vector<uint8_t> ClientMachine::Bytes(uint32_t linear, size_t count) const {
    std::vector<uint8_t> out(count);
    Check(uc_mem_read(m_uc, linear, out.data(), count), "read");
    return out;
}
void ClientMachine::Poke(uint32_t linear, const std::vector<uint8_t>& bytes) {
    Check(uc_mem_write(m_uc, linear, bytes.data(), bytes.size()), "write");
}
void ClientMachine::PokeWord(uint32_t linear, uint16_t value) {
    Poke(linear, {uint8_t(value), uint8_t(value >> 8)});
}
std::string ClientMachine::Text(int row, int column, int length) const {
    std::string out;
    for (int i = 0; i < length && column + i < 80; ++i) out += static_cast<char>(screen[row][column + i].ch);
    return out;
}

// ---------------------------------------------------------------------------
// Registers
// ---------------------------------------------------------------------------
uint16_t ClientMachine::Reg(int reg) const {
    uint32_t value = 0;
    uc_reg_read(m_uc, reg, &value);
    return uint16_t(value);
}
void ClientMachine::SetReg(int reg, uint16_t value) {
    uint32_t v = value;
    uc_reg_write(m_uc, reg, &v);
}
Registers ClientMachine::ReadRegisters() const {
    Registers r;
    r.ax = Reg(UC_X86_REG_AX);
    r.bx = Reg(UC_X86_REG_BX);
    r.cx = Reg(UC_X86_REG_CX);
    r.dx = Reg(UC_X86_REG_DX);
    r.si = Reg(UC_X86_REG_SI);
    r.di = Reg(UC_X86_REG_DI);
    r.bp = Reg(UC_X86_REG_BP);
    r.sp = Reg(UC_X86_REG_SP);
    r.ds = Reg(UC_X86_REG_DS);
    r.es = Reg(UC_X86_REG_ES);
    r.ss = Reg(UC_X86_REG_SS);
    r.cs = Reg(UC_X86_REG_CS);
    r.ip = Reg(UC_X86_REG_IP);
    r.flags = Reg(UC_X86_REG_EFLAGS);
    return r;
}
void ClientMachine::WriteRegisters(const Registers& r) {
    SetReg(UC_X86_REG_AX, r.ax);
    SetReg(UC_X86_REG_BX, r.bx);
    SetReg(UC_X86_REG_CX, r.cx);
    SetReg(UC_X86_REG_DX, r.dx);
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
void ClientMachine::SetCarry(bool on) {
    uint16_t f = Reg(UC_X86_REG_EFLAGS);
    SetReg(UC_X86_REG_EFLAGS, on ? (f | kFlagCarry) : (f & ~kFlagCarry));
}
void ClientMachine::SetZero(bool on) {
    uint16_t f = Reg(UC_X86_REG_EFLAGS);
    SetReg(UC_X86_REG_EFLAGS, on ? (f | kFlagZero) : (f & ~kFlagZero));
}

// ---------------------------------------------------------------------------
// The ROM: vector table, BIOS data, PXE structures, entry points
// ---------------------------------------------------------------------------
void ClientMachine::BuildRom() {
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t v = ModelVector(n);
        Poke(n * 4, {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
        Poke(Linear(place::kBiosSeg, uint16_t(place::kVectorBase + 4 * n)), {0xCF});  // IRET
    }
    Poke(Linear(place::kBiosSeg, place::kPxenvEntry), {0xCB});  // RETF
    Poke(Linear(place::kBiosSeg, place::kBangPxeEntry), {0xCB});
    Poke(Linear(place::kBiosSeg, place::kXmsEntry), {0xCB});
    Poke(place::kReturnStub, {0xF4});
    Poke(place::kInterruptReturn, {0xF4});
    PokeWord(0x413, baseMemoryKb);
    PokeWord(0x410, 0x0022);

    auto pxenv = [&](uint32_t at, uint16_t entrySeg, uint16_t entryOff) {
        std::vector<uint8_t> s(0x2C, 0);
        std::memcpy(s.data(), "PXENV+", 6);
        auto w = [&](size_t o, uint16_t v) { s[o] = uint8_t(v); s[o + 1] = uint8_t(v >> 8); };
        w(0x06, pxenvVersion);
        s[0x08] = 0x2C;
        w(0x0A, entryOff);
        w(0x0C, entrySeg);
        w(0x18, 0x9E00);
        w(0x1A, 0x1000);
        w(0x1C, 0x9E00);
        w(0x1E, 0x0800);
        w(0x20, undiDataSeg);
        w(0x22, undiDataSize);
        w(0x24, undiCodeSeg);
        w(0x26, undiCodeSize);
        w(0x28, bangPxe ? place::kBangPxeOff : 0x00C0);
        w(0x2A, place::kPxenvSeg);
        uint8_t sum = 0;
        for (uint8_t b : s) sum += b;
        s[0x09] = uint8_t(-sum);
        Poke(at, s);
    };
    pxenv(Linear(place::kPxenvSeg, 0), place::kBiosSeg, place::kPxenvEntry);
    std::vector<uint8_t> bang(0x58, 0);
    std::memcpy(bang.data(), "!PXE", 4);
    bang[4] = 0x58;
    bang[0x10] = uint8_t(place::kBangPxeEntry);
    bang[0x11] = uint8_t(place::kBangPxeEntry >> 8);
    bang[0x12] = uint8_t(place::kBiosSeg);
    bang[0x13] = uint8_t(place::kBiosSeg >> 8);
    Poke(Linear(place::kPxenvSeg, place::kBangPxeOff), bang);
    Poke(Linear(place::kPxenvSeg, 0x00C0), {'N', 'O', 'P', 'E'});

    if (ktapRom) {
        const uint16_t seg = place::kKtapSeg;
        PokeWord(Linear(seg, 2), ktapCodeSize);
        Poke(Linear(seg, 0x10), {'K', 'T', 'A', 'P'});
        pxenv(Linear(seg, place::kKtapPxenvOff), seg, place::kKtapEntry);
        Poke(Linear(seg, place::kKtapEntry), {0xCB});
        Poke(Linear(seg, place::kKtapHandler), {0xCF});
        PokeWord(Linear(seg, place::kKtapHandler + 8), place::kKtapChainSlot);
        uint32_t live = ModelVector(0x1A);
        Poke(Linear(seg, place::kKtapChainSlot), {uint8_t(live), uint8_t(live >> 8), uint8_t(live >> 16), uint8_t(live >> 24)});
        uint32_t hook = Far(seg, place::kKtapHandler);
        Poke(0x1A * 4, {uint8_t(hook), uint8_t(hook >> 8), uint8_t(hook >> 16), uint8_t(hook >> 24)});
    }
}

void ClientMachine::Load(const std::vector<uint8_t>& file, uint16_t segment) {
    BuildRom();
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

// ---------------------------------------------------------------------------
// Running
// ---------------------------------------------------------------------------
void ClientMachine::StopWith(Stop stop) {
    if (!m_stopSet) {
        m_stop = stop;
        m_stopSet = true;
        atStop = ReadRegisters();
    }
    uc_emu_stop(m_uc);
}

void ClientMachine::CountInstructions(bool on) {
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

Stop ClientMachine::Execute(uint32_t begin, uint64_t maxInstructions) {
    m_stopSet = false;
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

Stop ClientMachine::Run(uint64_t maxInstructions) {
    Registers r = ReadRegisters();
    return Execute(Linear(r.cs, r.ip), maxInstructions);
}

Stop ClientMachine::CallInt13(Registers& regs) {
    Registers r = regs;
    r.ss = place::kCallerSs;
    r.sp = place::kCallerSp - 6;
    PokeWord(Linear(r.ss, r.sp), uint16_t(place::kInterruptReturn));
    PokeWord(Linear(r.ss, r.sp + 2), 0);
    PokeWord(Linear(r.ss, r.sp + 4), 0x0202);
    uint32_t v = Dword(0x13 * 4);
    r.cs = uint16_t(v >> 16);
    r.ip = uint16_t(v);
    r.flags = 0x0002;
    WriteRegisters(r);
    Stop stop = Execute(Linear(r.cs, r.ip), 10'000'000);
    regs = atStop;
    return stop;
}

// ---------------------------------------------------------------------------
// Interrupts
// ---------------------------------------------------------------------------
void ClientMachine::DispatchThroughVector(uint32_t number) {
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

void ClientMachine::OnInterrupt(uint32_t number) {
    uint32_t vector = Dword(number * 4);
    if (number == 0x1A && vector == Far(place::kKtapSeg, place::kKtapHandler)) {
        if (Reg(UC_X86_REG_AX) == 0x5650) {
            SetReg(UC_X86_REG_AX, 0x564E);
            SetReg(UC_X86_REG_ES, place::kKtapSeg);
            SetReg(UC_X86_REG_BX, place::kKtapPxenvOff);
            SetCarry(false);
        }
        return;
    }
    if (vector != ModelVector(number)) {
        DispatchThroughVector(number);
        return;
    }
    switch (number) {
    case 0x10: Video(); break;
    case 0x16: Keyboard(); break;
    case 0x15: BlockMoveService(); break;
    case 0x1A: PxeInstallCheck(); break;
    case 0x2F: Multiplex(); break;
    case 0x13: chainedInt13.push_back(ReadRegisters()); break;
    default: StopWith(Stop::Error); break;
    }
}

void ClientMachine::OnCode(uint64_t address) {
    if (address == Linear(place::kBiosSeg, place::kPxenvEntry) || address == Linear(place::kKtapSeg, place::kKtapEntry)) {
        PxeService(Reg(UC_X86_REG_BX), Reg(UC_X86_REG_ES), Reg(UC_X86_REG_DI), false);
    } else if (address == Linear(place::kBiosSeg, place::kBangPxeEntry)) {
        uint32_t sp = Linear(Reg(UC_X86_REG_SS), Reg(UC_X86_REG_SP));
        PxeService(Word(sp + 4), Word(sp + 8), Word(sp + 6), true);
    } else if (address == Linear(place::kBiosSeg, place::kXmsEntry)) {
        XmsService();
    } else if (address == Linear(place::kBiosSeg, place::kVectorBase + 4 * 0x13)) {
        chainedInt13.push_back(ReadRegisters());
    } else if (address == 0x7C00) {
        StopWith(Stop::BootSector);
    } else if (address == 0x10000) {
        StopWith(Stop::ExtxCode);
    }
}

// ---- INT 10h ----
void ClientMachine::ScrollUp(int lines, int top, int left, int bottom, int right, uint8_t attr) {
    bottom = std::min(bottom, 24);
    right = std::min(right, 79);
    int height = bottom - top + 1;
    if (lines == 0 || lines > height) lines = height;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c)
            screen[r][c] = (r + lines <= bottom) ? screen[r + lines][c] : Cell{' ', attr};
}

void ClientMachine::Teletype(uint8_t ch) {
    written += static_cast<char>(ch);
    switch (ch) {
    case 0x07: return;
    case 0x08: if (cursorColumn > 0) --cursorColumn; return;
    case 0x0D: cursorColumn = 0; return;
    case 0x0A: ++cursorRow; break;
    default:
        screen[cursorRow][cursorColumn].ch = ch;
        if (++cursorColumn == 80) {
            cursorColumn = 0;
            ++cursorRow;
        }
    }
    if (cursorRow == 25) {
        ScrollUp(1, 0, 0, 24, 79, 0x07);
        cursorRow = 24;
    }
}

void ClientMachine::Video() {
    Registers r = ReadRegisters();
    uint8_t ah = r.ax >> 8, al = uint8_t(r.ax);
    switch (ah) {
    case 0x00:
        ++videoModeSets;
        for (auto& row : screen)
            for (auto& cell : row) cell = Cell{};
        cursorRow = cursorColumn = 0;
        break;
    case 0x02:
        cursorRow = r.dx >> 8;
        cursorColumn = uint8_t(r.dx);
        break;
    case 0x03: SetReg(UC_X86_REG_DX, uint16_t(cursorRow << 8 | cursorColumn)); break;
    case 0x06:
        ScrollUp(al, r.cx >> 8, uint8_t(r.cx), r.dx >> 8, uint8_t(r.dx), r.bx >> 8);
        break;
    case 0x09:
        for (int i = 0; i < r.cx; ++i) {
            int at = cursorRow * 80 + cursorColumn + i;
            if (at >= 25 * 80) break;
            screen[at / 80][at % 80] = Cell{al, uint8_t(r.bx)};
        }
        break;
    case 0x0E: Teletype(al); break;
    case 0x0F: SetReg(UC_X86_REG_AX, 0x5003); SetReg(UC_X86_REG_BX, r.bx & 0x00FF); break;
    default: break;
    }
}

// ---- INT 16h ----
void ClientMachine::Keyboard() {
    uint8_t ah = Reg(UC_X86_REG_AX) >> 8;
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
    }
}

// ---- INT 15h AH=87h ----
void ClientMachine::BlockMoveService() {
    Registers r = ReadRegisters();
    if ((r.ax >> 8) != 0x87) {
        SetCarry(true);
        SetReg(UC_X86_REG_AX, 0x8600);
        return;
    }
    uint32_t table = Linear(r.es, r.si);
    // Byte 6 holds the granularity bits and limit bits 16-19, which a
    // 286-style descriptor leaves 0; anything else is a wrong access.
    auto descriptor = [&](uint32_t at, uint32_t& base, uint32_t& limit, uint8_t& access) {
        auto d = Bytes(at, 8);
        limit = d[0] | d[1] << 8;
        base = d[2] | d[3] << 8 | d[4] << 16 | uint32_t(d[7]) << 24;
        access = d[6] == 0 ? d[5] : 0;
    };
    uint32_t src, srcLimit, dst, dstLimit;
    uint8_t srcAccess, dstAccess;
    descriptor(table + 0x10, src, srcLimit, srcAccess);
    descriptor(table + 0x18, dst, dstLimit, dstAccess);
    uint32_t bytes = uint32_t(r.cx) * 2;
    // Like a real BIOS, fill in the GDT, code and stack entries of the
    // caller's table, which stay behind after the call.
    for (uint32_t entry : {0x08u, 0x20u, 0x28u}) Poke(table + entry, {0xFF, 0xFF, 0x00, 0x00, 0x0F, 0x93, 0x00, 0x00});
    int index = static_cast<int>(blockMoves.size());
    blockMoves.push_back({src, dst, bytes});
    bool ok = index != failBlockMoveAt && srcAccess == 0x93 && dstAccess == 0x93 && r.cx <= 0x8000 &&
              (bytes == 0 || (bytes - 1 <= srcLimit && bytes - 1 <= dstLimit)) &&
              src + bytes <= place::kMemoryTop && dst + bytes <= place::kMemoryTop;
    if (ok && bytes) {
        // Word by word upwards, as the BIOS copies, so that a move to a
        // higher address over its own source behaves as on a real machine.
        if (src < dst && src + bytes > dst) {
            for (uint32_t i = 0; i < bytes; i += 2) Poke(dst + i, Bytes(src + i, 2));
        } else {
            Poke(dst, Bytes(src, bytes));
        }
    }
    SetReg(UC_X86_REG_AX, ok ? 0x0000 : 0x0300);
    SetCarry(!ok);
}

// ---- INT 2Fh ----
void ClientMachine::Multiplex() {
    uint16_t ax = Reg(UC_X86_REG_AX);
    if (ax == 0x4300 && xmsDriver) SetReg(UC_X86_REG_AX, 0x4380);
    if (ax == 0x4310 && xmsDriver) {
        SetReg(UC_X86_REG_ES, place::kBiosSeg);
        SetReg(UC_X86_REG_BX, place::kXmsEntry);
    }
}

void ClientMachine::XmsService() {
    Registers r = ReadRegisters();
    uint8_t fn = r.ax >> 8;
    xmsFunctions.push_back(fn);
    switch (fn) {
    case 0x08: SetReg(UC_X86_REG_AX, xmsFreeKb); SetReg(UC_X86_REG_DX, xmsFreeKb); break;
    case 0x09:
        SetReg(UC_X86_REG_AX, r.dx != 0 && r.dx <= xmsFreeKb ? 1 : 0);
        SetReg(UC_X86_REG_DX, 0x0042);
        break;
    case 0x0F: xmsReallocKb = r.bx; SetReg(UC_X86_REG_AX, 1); break;
    case 0x0C: SetReg(UC_X86_REG_AX, 1); SetReg(UC_X86_REG_DX, 0x0011); SetReg(UC_X86_REG_BX, 0); break;
    default: SetReg(UC_X86_REG_AX, 0); break;
    }
}

// ---- PXE ----
void ClientMachine::PxeInstallCheck() {
    if (Reg(UC_X86_REG_AX) != 0x5650) return;
    if (!pxePresent || (ktapRom && !pxeAfterUnhook)) {
        SetCarry(true);
        return;
    }
    SetReg(UC_X86_REG_AX, 0x564E);
    SetReg(UC_X86_REG_ES, place::kPxenvSeg);
    SetReg(UC_X86_REG_BX, 0);
    SetCarry(false);
}

void ClientMachine::PxeService(uint16_t opcode, uint16_t seg, uint16_t off, bool bang) {
    pxeCalls.push_back({opcode, bang});
    uint32_t block = Linear(seg, off);
    uint16_t ax = 0;
    bool carry = false;
    switch (opcode) {
    case 0x0071: {  // PXENV_GET_CACHED_INFO
        if (cachedInfoFails) {
            PokeWord(block, 0x0001);
            ax = 1;
            carry = true;
            SetCarry(true);
            break;
        }
        uint16_t size = Word(block + 4);
        uint32_t buffer = Linear(Word(block + 8), Word(block + 6));
        uint16_t n = static_cast<uint16_t>(std::min<size_t>(size, cachedReply.size()));
        Poke(buffer, std::vector<uint8_t>(cachedReply.begin(), cachedReply.begin() + n));
        PokeWord(block + 4, n);
        PokeWord(block, cachedStatus);
        break;
    }
    case 0x0023: {  // PXENV_TFTP_READ_FILE
        auto raw = Bytes(block + 2, 128);
        std::string name(reinterpret_cast<const char*>(raw.data()), strnlen(reinterpret_cast<const char*>(raw.data()), 128));
        tftpNames.push_back(name);
        tftpServers.push_back(Dword(block + 138));
        uint32_t size = Dword(block + 130), buffer = Dword(block + 134);
        auto it = tftpFiles.find(name);
        if (it == tftpFiles.end() || it->second.size() > size) {
            PokeWord(block, 0x003B);  // PXENV_STATUS_TFTP_FILE_NOT_FOUND
            ax = 1;
            carry = true;
            break;
        }
        if (!it->second.empty()) Poke(buffer, it->second);
        uint32_t got = static_cast<uint32_t>(it->second.size());
        Poke(block + 130, {uint8_t(got), uint8_t(got >> 8), uint8_t(got >> 16), uint8_t(got >> 24)});
        PokeWord(block, 0);
        break;
    }
    case 0x0002: case 0x0005: case 0x0007: case 0x0015:
        PokeWord(block, 0);
        break;
    default:
        PokeWord(block, 0x0001);
        ax = 1;
        carry = true;
    }
    SetReg(UC_X86_REG_AX, ax);
    if (!carryUntouched) SetCarry(carry);
}

// ---------------------------------------------------------------------------
std::vector<uint8_t> BootpReply(uint32_t siaddr, const std::vector<std::vector<uint8_t>>& options, size_t size,
                                bool cookie) {
    std::vector<uint8_t> p(size, 0);
    p[0] = 2;  // BOOTREPLY
    p[1] = 1;
    p[2] = 6;
    for (int i = 0; i < 4; ++i) p[20 + i] = uint8_t(siaddr >> (8 * i));
    if (cookie) {
        p[236] = 99;
        p[237] = 130;
        p[238] = 83;
        p[239] = 99;
    }
    size_t at = 240;
    for (const auto& o : options)
        for (uint8_t b : o)
            if (at < p.size()) p[at++] = b;
    return p;
}

}  // namespace client_bench
