// INT 15h: the block move (AH=87h) and the memory map (E820h, E801h, 88h);
// every other function is unsupported (AH=86h, carry).
#include <cstring>

#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

void RealModePc::SystemServices() {
    ++biosInt15Calls;
    const uint16_t ax = uint16_t(Reg(UC_X86_REG_AX));
    if (ax >> 8 == 0x87) {
        BlockMoveService();
    } else if ((ax == 0xE820 && hasE820) || (ax == 0xE801 && hasE801) || ax >> 8 == 0x88) {
        MemoryMapService();
    } else {
        SetReg(UC_X86_REG_AX, uint16_t(0x8600 | (ax & 0xFF)));
        SetCarry(true);
    }
}

// ---- AH=87h ----
void RealModePc::BlockMoveService() {
    Registers r = ReadRegisters();
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
    const uint64_t srcEnd = uint64_t(src) + bytes, dstEnd = uint64_t(dst) + bytes;
    bool ok = index != failBlockMoveAt && srcAccess == 0x93 && dstAccess == 0x93 && r.cx <= 0x8000 &&
              (bytes == 0 || (bytes - 1 <= srcLimit && bytes - 1 <= dstLimit)) && srcEnd <= place::kMemoryTop &&
              dstEnd <= place::kMemoryTop && srcEnd <= failMovesFrom && dstEnd <= failMovesFrom;
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

// ---- E820h, E801h, 88h ----
void RealModePc::MemoryMapService() {
    Registers r = ReadRegisters();
    if (r.ax == 0xE801) {
        SetReg(UC_X86_REG_AX, e801Low);
        SetReg(UC_X86_REG_CX, e801Low);
        SetReg(UC_X86_REG_BX, e801High);
        SetReg(UC_X86_REG_DX, e801High);
        SetCarry(false);
        return;
    }
    if (r.ax >> 8 == 0x88) {
        SetReg(UC_X86_REG_AX, ext88);
        SetCarry(false);
        return;
    }
    if (r.eax != 0xE820 || r.edx != 0x534D4150 || r.ebx >= memoryMap.size() || r.ecx < 20) {
        SetReg(UC_X86_REG_AX, 0x8600);
        SetCarry(true);
        return;
    }
    const MapRange& m = memoryMap[r.ebx];
    uint8_t entry[20];
    std::memcpy(entry, &m.base, 8);
    std::memcpy(entry + 8, &m.length, 8);
    std::memcpy(entry + 16, &m.type, 4);
    Poke(Linear(r.es, r.di), entry, sizeof entry);
    SetReg(UC_X86_REG_EAX, 0x534D4150);
    SetReg(UC_X86_REG_EBX, r.ebx + 1 < memoryMap.size() ? r.ebx + 1 : 0);
    SetReg(UC_X86_REG_ECX, 20);
    SetCarry(false);
}

}  // namespace menvolt_test
