// ClientMachine: an emulated PC on which the client menu loader runs. The
// CPU is unicorn in 16-bit mode; the BIOS, the boot ROM's PXE interface and
// an XMS driver are models written here, each answering through the
// interrupt hook or through a RETF placed at an entry point the program
// far-calls. Everything the program asks of them is recorded for the tests.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

struct uc_struct;

namespace client_bench {

struct Registers {
    uint16_t ax = 0, bx = 0, cx = 0, dx = 0, si = 0, di = 0, bp = 0, sp = 0;
    uint16_t ds = 0, es = 0, ss = 0, cs = 0, ip = 0, flags = 0;
    bool Carry() const { return flags & 1; }
};

enum class Stop {
    Halted,            // HLT anywhere but the caller's return stub
    ReturnedToCaller,  // far return to the caller that started the loader
    BootSector,        // reached 0000:7C00
    ExtxCode,          // reached 1000:0000
    WaitingForKey,     // polled the keyboard with no key left in the script
    Timeout,
    Error,             // the emulator refused to go on (bad memory access)
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
constexpr uint16_t kCallerSs = 0x0000, kCallerSp = 0x7000;
constexpr uint32_t kMemoryTop = 0x1800000;
}  // namespace place

class ClientMachine {
public:
    ClientMachine();
    ~ClientMachine();
    ClientMachine(const ClientMachine&) = delete;
    ClientMachine& operator=(const ClientMachine&) = delete;

    // ---- What the machine offers (set before Start) ----
    bool pxePresent = true;
    uint16_t pxenvVersion = 0x0201;
    bool bangPxe = true;          // a valid !PXE behind PXEPtr
    bool ktapRom = false;         // stale PXENV+ in a "KTAP" ROM in front
    bool pxeAfterUnhook = true;   // a live PXE answers once the KTAP hook is gone
    uint16_t ktapCodeSize = 0x1234;
    // The boot ROM leaves carry as the caller set it and reports only in AX
    // and Status, as the one measured on real hardware does.
    bool carryUntouched = true;
    std::vector<uint8_t> cachedReply;
    bool cachedInfoFails = false;  // AX = 1 and carry set
    uint16_t cachedStatus = 0;     // Status written on an otherwise good call
    std::map<std::string, std::vector<uint8_t>> tftpFiles;
    std::deque<uint16_t> keys;     // AH = scan code, AL = character
    int failBlockMoveAt = -1;      // 0-based index of the block move to refuse
    bool xmsDriver = false;
    uint16_t xmsFreeKb = 15 * 1024;
    uint16_t undiDataSeg = 0x9C00, undiDataSize = 0x4000;
    uint16_t undiCodeSeg = 0x9D00, undiCodeSize = 0x2000;
    uint16_t baseMemoryKb = 600;   // 0040:0013 at start

    // ---- What happened ----
    std::vector<PxeCall> pxeCalls;
    std::vector<std::string> tftpNames;
    std::vector<uint32_t> tftpServers;
    std::vector<BlockMove> blockMoves;
    std::vector<Registers> chainedInt13;
    std::vector<uint8_t> xmsFunctions;
    uint16_t xmsReallocKb = 0;
    int videoModeSets = 0;
    Registers atStop;  // registers when the run ended
    Cell screen[25][80];
    int cursorRow = 0, cursorColumn = 0;

    // ---- Running ----
    // Puts the loader file at segment:0000 and the caller's registers ready
    // for a far call to it.
    void Load(const std::vector<uint8_t>& file, uint16_t segment = 0x2000);
    Registers callerRegisters;  // what the caller had in its registers
    Stop Run(uint64_t maxInstructions = 50'000'000);
    // Issues INT 13h the way a booted program would, through the vector
    // table, and runs until the service returns.
    Stop CallInt13(Registers& regs);

    // Counting every instruction costs speed, so it is off unless asked for.
    void CountInstructions(bool on);
    uint64_t instructions = 0;

    // ---- Looking ----
    uint8_t Byte(uint32_t linear) const;
    uint16_t Word(uint32_t linear) const;
    uint32_t Dword(uint32_t linear) const;
    std::vector<uint8_t> Bytes(uint32_t linear, size_t count) const;
    void Poke(uint32_t linear, const std::vector<uint8_t>& bytes);
    void PokeWord(uint32_t linear, uint16_t value);
    std::string Text(int row, int column, int length) const;
    std::string RowText(int row) const { return Text(row, 0, 80); }
    uint8_t Attr(int row, int column) const { return screen[row][column].attr; }
    // Text written by teletype and attribute writes since the last Load, in
    // order, so that messages can be checked whatever the screen did.
    std::string written;

    // Internal: called from the unicorn hooks.
    void OnInterrupt(uint32_t number);
    void OnCode(uint64_t address);

private:
    Registers ReadRegisters() const;
    void WriteRegisters(const Registers& r);
    void SetReg(int reg, uint16_t value);
    uint16_t Reg(int reg) const;
    void SetCarry(bool on);
    void SetZero(bool on);
    void DispatchThroughVector(uint32_t number);
    void Video();
    void Keyboard();
    void BlockMoveService();
    void Multiplex();
    void PxeInstallCheck();
    void PxeService(uint16_t opcode, uint16_t seg, uint16_t off, bool bang);
    void XmsService();
    void ScrollUp(int lines, int top, int left, int bottom, int right, uint8_t attr);
    void Teletype(uint8_t ch);
    void BuildRom();
    void StopWith(Stop stop);
    Stop Execute(uint32_t begin, uint64_t maxInstructions);

    uc_struct* m_uc = nullptr;
    Stop m_stop = Stop::Halted;
    bool m_stopSet = false;
    bool m_counting = false;
    size_t m_countHook = 0;
};

// A BOOTP reply as a boot ROM caches it: op 2, siaddr, then the DHCP
// cookie and options when any are given (each option as code, data).
std::vector<uint8_t> BootpReply(uint32_t siaddr, const std::vector<std::vector<uint8_t>>& options = {},
                                size_t size = 548, bool cookie = true);

}  // namespace client_bench
