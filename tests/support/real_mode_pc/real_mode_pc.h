// RealModePc: the emulated PC on which the client menu loader, the image's
// boot sector and its start-up code run in the tests. The CPU is unicorn in
// 16-bit mode with 24 MB of RAM; the BIOS, the boot ROM's PXE interface and
// an XMS driver are models written here. Every INT goes through the vector
// table as on a real machine; the vectors the BIOS sets up point at model
// handlers in its ROM (F000:0100 + 4n), which answer through a code hook and
// return with IRET. Entry points a program far-calls (PXE, XMS) are a RETF
// with a hook in front. Everything asked of the models is recorded.
//
// One job per file: this header and machine.cpp (memory, registers,
// running, interrupt dispatch), rom.cpp (vector table, BIOS data area, ROM
// entry points), bios_video.cpp, bios_keyboard.cpp, bios_disk.cpp,
// bios_system.cpp (INT 15h: block move and memory map), pxe_rom.cpp and
// xms_driver.cpp.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

struct uc_struct;

namespace menvolt_test {

// The general registers are 32 bits wide; the 16-bit names are their low
// halves.
struct Registers {
    union { uint32_t eax = 0; uint16_t ax; };
    union { uint32_t ebx = 0; uint16_t bx; };
    union { uint32_t ecx = 0; uint16_t cx; };
    union { uint32_t edx = 0; uint16_t dx; };
    uint16_t si = 0, di = 0, bp = 0, sp = 0;
    uint16_t ds = 0, es = 0, ss = 0, cs = 0, ip = 0, flags = 0;
    bool Carry() const { return flags & 1; }
};

enum class Stop {
    Halted,            // HLT anywhere but a return stub
    ReturnedToCaller,  // far return to the caller that started the loader, or IRET of a bench-made INT
    BootSector,        // reached 0000:7C00
    ExtxCode,          // reached 1000:0000
    Restarted,         // reached the processor's restart address, FFFF:0000
    WaitingForKey,     // polled the keyboard with no key left in the script
    Timeout,
    Error,             // the emulator refused to go on, or an INT no model serves
};
const char* StopName(Stop stop);

struct PxeCall {
    uint16_t opcode;
    bool throughBangPxe;  // !PXE stack entry rather than the PXENV+ entry
};

struct BlockMove {
    uint32_t source, destination, bytes;
};

struct Cell {
    uint8_t ch = ' ', attr = 0x07;
};

// One range of the BIOS memory map (INT 15h E820).
struct MapRange {
    uint64_t base, length;
    uint32_t type;
    bool operator==(const MapRange&) const = default;
};

// Where the models live in emulated memory.
namespace place {
constexpr uint16_t kBiosSeg = 0xF000;
constexpr uint16_t kVectorBase = 0x0100;  // model handler of INT n at F000:0100+4n
constexpr uint16_t kPxenvEntry = 0x0800;  // F000:0800 RETF
constexpr uint16_t kBangPxeEntry = 0x0810;
constexpr uint16_t kXmsEntry = 0x0820;
constexpr uint16_t kKtapEntry = 0x0200;  // in kKtapSeg
constexpr uint16_t kPxenvSeg = 0x9000;   // live PXENV+ at 9000:0000
constexpr uint16_t kBangPxeOff = 0x0080;  // !PXE at 9000:0080
constexpr uint16_t kKtapSeg = 0x8000;    // ROM marked "KTAP"
constexpr uint16_t kKtapPxenvOff = 0x0040;
constexpr uint16_t kKtapHandler = 0x0100;
constexpr uint16_t kKtapChainSlot = 0x0180;
constexpr uint32_t kReturnStub = 0x0600;     // caller's return address (HLT)
constexpr uint32_t kInterruptReturn = 0x0610;  // return of a bench-made INT
constexpr uint32_t kBootSector = 0x7C00;
constexpr uint32_t kExtxCode = 0x10000;
constexpr uint32_t kRestart = 0xFFFF0;
constexpr uint16_t kCallerSs = 0x0000, kCallerSp = 0x7000;
constexpr uint32_t kMemoryTop = 0x1800000;  // 24 MB of RAM
}  // namespace place

// What the BIOS disk service behind every hook answers: a status no RAM
// disk gives, so that a test sees which handler answered.
constexpr uint8_t kBiosDiskStatus = 0x77;

class RealModePc {
public:
    RealModePc();
    ~RealModePc();
    RealModePc(const RealModePc&) = delete;
    RealModePc& operator=(const RealModePc&) = delete;

    // ---- What the machine offers (set before PowerOn or Load) ----
    uint16_t baseMemoryKb = 600;   // 0040:0013, below a boot ROM's reservation
    bool pxePresent = true;
    uint16_t pxenvVersion = 0x0201;
    bool bangPxe = true;          // a valid !PXE behind PXEPtr
    bool ktapRom = false;         // stale PXENV+ in a "KTAP" ROM in front
    bool pxeAfterUnhook = true;   // a live PXE answers once the KTAP hook is gone
    uint16_t ktapCodeSize = 0x1234;
    uint16_t undiDataSeg = 0x9C00, undiDataSize = 0x4000;
    uint16_t undiCodeSeg = 0x9D00, undiCodeSize = 0x2000;

    // ---- What the models answer (read when asked) ----
    // The boot ROM leaves carry as the caller set it and reports only in AX
    // and Status, as the one measured on real hardware does.
    bool carryUntouched = true;
    std::vector<uint8_t> cachedReply;
    bool cachedInfoFails = false;  // AX = 1 and carry set
    uint16_t cachedStatus = 0;     // Status written on an otherwise good call
    std::map<std::string, std::vector<uint8_t>> tftpFiles;
    std::deque<uint16_t> keys;     // AH = scan code, AL = character
    // The BIOS tick at 0040:006C (18.2 a second, back to 0 at midnight with
    // 0040:0070 set). While idleTicks is above 0, a keyboard check that
    // finds no key lets one tick pass and answers "none"; once it is spent
    // the check stops the run as WaitingForKey.
    uint32_t ticksAtPowerOn = 0x00012345;
    uint32_t idleTicks = 0;
    int failBlockMoveAt = -1;      // 0-based index of the block move to refuse
    uint32_t failMovesFrom = 0xFFFFFFFF;  // block moves reaching this address or above fail
    // The memory map: E820 answers from `memoryMap` unless `hasE820` is
    // false; E801 answers e801Low KB (1-16 MB) and e801High 64 KB blocks
    // unless `hasE801` is false; 88h answers ext88 KB.
    std::vector<MapRange> memoryMap = {{0, 0x9FC00, 1}, {0x9FC00, 0x400, 2}, {0xF0000, 0x10000, 2},
                                       {0x100000, place::kMemoryTop - 0x100000, 1}};
    bool hasE820 = true, hasE801 = true;
    uint16_t e801Low = 15 * 1024, e801High = (place::kMemoryTop - 0x1000000) >> 16, ext88 = 23 * 1024;
    bool xmsDriver = false;
    uint16_t xmsFreeKb = 15 * 1024;

    // ---- What happened ----
    std::vector<PxeCall> pxeCalls;
    std::vector<std::string> tftpNames;
    std::vector<uint32_t> tftpServers;
    std::vector<BlockMove> blockMoves;
    std::vector<Registers> chainedInt13;  // calls that reached the BIOS disk service
    int biosInt15Calls = 0;               // calls that reached the BIOS INT 15h
    int keysRead = 0;
    std::vector<uint8_t> xmsFunctions;
    uint16_t xmsReallocKb = 0;
    int videoModeSets = 0;
    Registers atStop;  // registers when the run ended
    Cell screen[25][80];
    int cursorRow = 0, cursorColumn = 0;
    // Text written by teletype since the last Load, in order, so that
    // messages can be checked whatever the screen did.
    std::string written;

    // ---- Running ----
    // Lays out the vector table, the BIOS data area, the ROM and the PXE
    // structures from the settings above. Load does it; code placed by hand
    // calls it first.
    void PowerOn();
    // Powers on, puts the loader file at segment:0000 and the caller's
    // registers ready for a far call to it.
    void Load(const std::vector<uint8_t>& file, uint16_t segment = 0x2000);
    Registers callerRegisters;  // what the caller had in its registers
    // Runs until a stop; a budget of 0 instructions means none, which runs
    // several times faster because the emulator counts by tracing each one.
    Stop Run(uint64_t maxInstructions = 50'000'000);
    // Jumps to cs:ip with the other registers as they are.
    Stop RunFrom(uint16_t cs, uint16_t ip, uint64_t maxInstructions = 50'000'000);
    // Issues INT `number` the way a booted program would, through the
    // vector table, and runs until the handler returns; `regs` gets what it
    // returned with.
    Stop CallInterrupt(uint8_t number, Registers& regs);
    Stop CallInt13(Registers& regs) { return CallInterrupt(0x13, regs); }

    // Counting every instruction costs speed, so it is off unless asked for.
    void CountInstructions(bool on);
    uint64_t instructions = 0;

    // ---- Looking ----
    uint8_t Byte(uint32_t linear) const;
    uint16_t Word(uint32_t linear) const;
    uint32_t Dword(uint32_t linear) const;
    std::vector<uint8_t> Bytes(uint32_t linear, size_t count) const;
    void Poke(uint32_t linear, const std::vector<uint8_t>& bytes);
    void Poke(uint32_t linear, const void* data, size_t size);
    void PokeWord(uint32_t linear, uint16_t value);
    void PokeDword(uint32_t linear, uint32_t value);
    // Linear address the vector table gives for INT `number`.
    uint32_t VectorTarget(uint8_t number) const;
    std::string Text(int row, int column, int length) const;
    std::string RowText(int row) const { return Text(row, 0, 80); }
    uint8_t Attr(int row, int column) const { return screen[row][column].attr; }

    // Internal: called from the unicorn hooks.
    void OnInterrupt(uint32_t number);
    void OnCode(uint64_t address);

private:
    Registers ReadRegisters() const;
    void WriteRegisters(const Registers& r);
    void SetReg(int reg, uint32_t value);
    uint32_t Reg(int reg) const;
    void SetCarry(bool on);
    void SetZero(bool on);
    void ReturnFlagsThroughFrame();
    void BiosService(uint32_t number);
    void Video();
    void Keyboard();
    void Disk();
    void SystemServices();
    void BlockMoveService();
    void MemoryMapService();
    void Multiplex();
    void PxeInstallCheck();
    void StaleInstallCheck();
    void PxeService(uint16_t opcode, uint16_t seg, uint16_t off, bool bang);
    void XmsService();
    void BuildPxeStructures();
    void ScrollUp(int lines, int top, int left, int bottom, int right, uint8_t attr);
    void Teletype(uint8_t ch);
    void ClearScreen();
    void StopWith(Stop stop);
    Stop Execute(uint32_t begin, uint64_t maxInstructions);

    uc_struct* m_uc = nullptr;
    Stop m_stop = Stop::Halted;
    bool m_stopSet = false;
    uint32_t m_runStart = 0;
    bool m_leftRunStart = false;
    bool m_counting = false;
    size_t m_countHook = 0;
};

// A BOOTP reply as a boot ROM caches it: op 2, siaddr, then the DHCP
// cookie and options when any are given (each option as code, data).
std::vector<uint8_t> BootpReply(uint32_t siaddr, const std::vector<std::vector<uint8_t>>& options = {},
                                size_t size = 548, bool cookie = true);

}  // namespace menvolt_test
