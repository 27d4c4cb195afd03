// A small real-mode PC for running the image's boot sector and start-up code
// in the unicorn emulator: memory up to 24 MB, a BIOS answering the services
// that code uses (teletype, keyboard, block move, the PXE installation
// check), stub PXE entry points that record their opcodes, and a previous
// INT 13h handler that records being chained to.
#pragma once

#include <unicorn/unicorn.h>

#include <cstdint>
#include <string>
#include <vector>

namespace imagetest {

struct Regs {
    uint16_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0, es = 0, ds = 0;
    bool carry = false;
};

// The registers of the 32-bit memory map calls.
struct Regs32 {
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
    uint16_t es = 0, di = 0;
    bool carry = false;
};

// One range of the BIOS memory map (INT 15h E820).
struct MapRange {
    uint64_t base, length;
    uint32_t type;
    bool operator==(const MapRange&) const = default;
};

class RealModeMachine {
public:
    // Where the stand-in boot ROM keeps its PXE structures.
    static constexpr uint16_t kPxeSeg = 0x9F00;
    static constexpr uint32_t kBiosInt13 = 0xFE000;  // F000:E000
    static constexpr uint32_t kBiosInt15 = 0xFE100;  // F000:E100
    static constexpr uint32_t kRestart = 0xFFFF0;
    static constexpr uint32_t kMemoryEnd = 0x1800000;  // 24 MB of RAM

    RealModeMachine();
    ~RealModeMachine();
    RealModeMachine(const RealModeMachine&) = delete;
    RealModeMachine& operator=(const RealModeMachine&) = delete;

    void Write(uint32_t linear, const void* data, size_t size);
    void Write16(uint32_t linear, uint16_t value) { Write(linear, &value, 2); }
    std::vector<uint8_t> Read(uint32_t linear, size_t size);
    uint16_t Read16(uint32_t linear);

    // Installs PXENV+ (version 2.1) and !PXE with the given UNDI blocks.
    void InstallPxe(uint16_t undiDataSeg, uint16_t undiDataSize, uint16_t undiCodeSeg, uint16_t undiCodeSize);

    // Runs from cs:ip until the linear address `until`, a HLT, or an error.
    // Returns false on an emulation error or a timeout.
    bool Run(uint16_t cs, uint16_t ip, uint32_t until, Regs* regs = nullptr);
    // Calls the INT 13h handler the vector table names, as an INT would.
    Regs CallInt13(const Regs& in);
    // Calls the handler the vector table names for INT `vector`.
    Regs32 CallVector(int vector, const Regs32& in);
    // Linear address the vector table gives for `vector`.
    uint32_t Vector(int vector);

    void SetRegs(const Regs& r);
    Regs GetRegs();

    std::string screen;               // teletype output
    int keysRead = 0;
    bool pxePresent = false;
    std::vector<uint16_t> pxeCalls;   // opcodes through the PXENV+ entry
    std::vector<uint16_t> pxeSpCalls; // opcodes through the !PXE entry
    int chained13 = 0;
    bool xmsPresent = false;          // INT 2Fh answers for a memory manager
    std::vector<uint8_t> xmsCalls;    // AH of each call to its entry
    uint16_t xmsResizeKb = 0;         // BX of the resize call
    // The BIOS memory map: E820 answers from `memoryMap` unless `hasE820`
    // is false; E801 answers e801Low KB (1-16 MB) and e801High 64 KB blocks
    // unless `hasE801` is false; 88h answers ext88 KB.
    std::vector<MapRange> memoryMap = {{0, 0x9FC00, 1}, {0x9FC00, 0x400, 2}, {0xF0000, 0x10000, 2},
                                       {0x100000, kMemoryEnd - 0x100000, 1}};
    bool hasE820 = true, hasE801 = true;
    uint16_t e801Low = 15 * 1024, e801High = (kMemoryEnd - 0x1000000) >> 16, ext88 = 23 * 1024;
    uint32_t failMovesFrom = 0xFFFFFFFF;  // block moves touching this address or above fail
    int chained15 = 0;                // INT 15h calls that reached the BIOS through the vector
    std::string error;

private:
    static void OnInterrupt(uc_engine* uc, uint32_t intno, void* self);
    void Interrupt(uint32_t intno);

    uc_engine* m_uc = nullptr;
    uc_hook m_hook{};
    bool m_redirect = false;
    uint16_t m_redirectCs = 0, m_redirectIp = 0;
};

}  // namespace imagetest
