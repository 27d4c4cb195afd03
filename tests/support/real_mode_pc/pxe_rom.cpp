// The network boot ROM: PXENV+ and !PXE structures, the INT 1Ah
// installation check, the API behind both entry points (cached reply, TFTP
// read, the shut-down calls) and, when asked for, a "KTAP" ROM that hooks
// INT 1Ah in front with a stale PXENV+ of its own.
#include <algorithm>
#include <cstring>

#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

void RealModePc::BuildPxeStructures() {
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
        Poke(Linear(seg, place::kKtapEntry), {0xCB});    // RETF
        Poke(Linear(seg, place::kKtapHandler), {0xCF});  // IRET
        PokeWord(Linear(seg, place::kKtapHandler + 8), place::kKtapChainSlot);
        PokeDword(Linear(seg, place::kKtapChainSlot), ModelVector(0x1A));
        PokeDword(0x1A * 4, Far(seg, place::kKtapHandler));
    }
}

// ---- INT 1Ah AX=5650h ----
void RealModePc::PxeInstallCheck() {
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

// The "KTAP" ROM's hook answers with its own stale structure.
void RealModePc::StaleInstallCheck() {
    if (Reg(UC_X86_REG_AX) != 0x5650) return;
    SetReg(UC_X86_REG_AX, 0x564E);
    SetReg(UC_X86_REG_ES, place::kKtapSeg);
    SetReg(UC_X86_REG_BX, place::kKtapPxenvOff);
    SetCarry(false);
}

// ---- The API: opcode, parameter block at seg:off ----
void RealModePc::PxeService(uint16_t opcode, uint16_t seg, uint16_t off, bool bang) {
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
        PokeDword(block + 130, static_cast<uint32_t>(it->second.size()));
        PokeWord(block, 0);
        break;
    }
    // UNDI_CLEANUP, UNDI_SHUTDOWN, UNDI_CLOSE, STOP_UNDI, STOP_BASE
    case 0x0002: case 0x0005: case 0x0007: case 0x0015: case 0x0076:
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

}  // namespace menvolt_test
