// The boot sector and the extended image's start-up code, run in an
// emulated PC the way the network boot menu starts them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>

#include "imagelib/fat_volume.h"
#include "imagelib/image_format.h"
#include "imagelib/image_library.h"
#include "tests/support/base_memory_cases.h"
#include "tests/support/real_mode_pc/ended.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace {

using menvolt_test::Ended;
using menvolt_test::MapRange;
using menvolt_test::RealModePc;
using menvolt_test::Registers;
using menvolt_test::Stop;

constexpr uint16_t kEnter = 0x1C0D;

constexpr uint32_t kDataBase = 0x110000;
constexpr uint32_t kReceivedSize = 0xC000 + 0x073A + 130;  // the menu's TFTP BufferSize

// What the menu does before it jumps to 1000:0000: the start-up code at
// 10000h, the volume moved to 110000h, "pc" in its work buffer.
struct StartedImage {
    std::vector<uint8_t> bytes;
    imagelib::ImageInfo info;
    RealModePc pc;
    std::vector<uint8_t> volume;

    StartedImage(uint32_t mb, uint32_t options, bool fromMenu = true, bool withPxe = true) {
        EXPECT_TRUE(imagelib::BuildImage(mb, options, bytes));
        Load(fromMenu, withPxe);
    }
    explicit StartedImage(std::vector<uint8_t> image) : bytes(std::move(image)) { Load(true, true); }
    // `machine` changes the PC (its boot ROM, its memory) before it is switched on.
    StartedImage(uint32_t mb, uint32_t options, const std::function<void(RealModePc&)>& machine) {
        EXPECT_TRUE(imagelib::BuildImage(mb, options, bytes));
        Load(true, true, machine);
    }

    void Load(bool fromMenu, bool withPxe, const std::function<void(RealModePc&)>& machine = {}) {
        // UNDI data 9C00h (4 KB) and code 9D00h (8 KB) end at 9F00h: 636 KB.
        pc.pxePresent = withPxe;
        pc.undiDataSeg = 0x9C00;
        pc.undiDataSize = 0x1000;
        pc.undiCodeSeg = 0x9D00;
        pc.undiCodeSize = 0x2000;
        pc.keys = {kEnter};  // for a restart; a halt leaves it unread
        if (machine) machine(pc);
        pc.PowerOn();
        EXPECT_TRUE(imagelib::InspectImage(bytes, info));
        imagelib::FatVolume v;
        EXPECT_TRUE(v.Mount(bytes, info.volumeOffset));
        std::vector<uint8_t> text(70000);
        for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        EXPECT_EQ(v.WriteFile("DATA.BIN", text.data(), text.size(), false), imagelib::FatError::None);
        volume.assign(bytes.begin() + static_cast<long>(info.volumeOffset), bytes.end());

        pc.Poke(0x10000, bytes.data(), info.volumeOffset);
        pc.Poke(kDataBase, volume);
        pc.PokeWord(0xC000 + 0x0A, 0x1234);  // the menu program's length
        pc.PokeDword(kReceivedSize, static_cast<uint32_t>(bytes.size()));
        if (fromMenu) pc.Poke(0xC000 + 0x1240 + 4, "pc", 2);
    }

    // Runs the start-up code from 1000:0000, where the menu jumps, without an
    // instruction budget: counting would trace every instruction of its
    // copies, and the run still ends at the emulator's time limit.
    Stop Start() { return pc.RunFrom(0x1000, 0x0000, 0); }
    // Issues INT `number` and gives what its handler returned with.
    Registers Int(uint8_t number, Registers in) {
        EXPECT_TRUE(Ended(pc.CallInterrupt(number, in), Stop::ReturnedToCaller)) << std::hex << number;
        return in;
    }
    std::vector<uint16_t> Opcodes(bool throughBangPxe) const {
        std::vector<uint16_t> out;
        for (const auto& c : pc.pxeCalls)
            if (c.throughBangPxe == throughBangPxe) out.push_back(c.opcode);
        return out;
    }

    Registers Read(uint16_t cx, uint16_t dh, uint8_t count, uint16_t bufSeg = 0x2000) {
        Registers in;
        in.ax = static_cast<uint16_t>(0x0200 | count);
        in.cx = cx;
        in.dx = static_cast<uint16_t>(dh << 8);
        in.es = bufSeg;
        in.bx = 0;
        return Int(0x13, in);
    }
    std::vector<uint8_t> Sectors(uint32_t first, uint32_t count) {
        return std::vector<uint8_t>(volume.begin() + first * 512, volume.begin() + (first + count) * 512);
    }
    // The resident part's description: "MVRD", the two previous vectors,
    // the volume's place and size.
    uint32_t ResidentField(uint32_t offset) {
        const uint32_t resident = s_seg() * 16;
        return pc.Dword(resident + offset);
    }
    uint32_t VolumeBase() { return ResidentField(0x0C); }
    uint16_t s_seg() { return pc.Word(0x13 * 4 + 2); }
    // Every range the hooked E820 reports.
    std::vector<MapRange> HookedMap(bool* ok) {
        std::vector<MapRange> out;
        Registers r;
        *ok = true;
        for (int i = 0; i < 100; ++i) {
            r.eax = 0xE820;
            r.edx = 0x534D4150;
            r.ecx = 24;
            r.es = 0x3000;
            r.di = 0;
            r = Int(0x15, r);
            if (r.Carry() || r.eax != 0x534D4150 || r.ecx != 20) {
                *ok = false;
                return out;
            }
            auto e = pc.Bytes(0x30000, 20);
            MapRange m{};
            std::memcpy(&m.base, e.data(), 8);
            std::memcpy(&m.length, e.data() + 8, 8);
            std::memcpy(&m.type, e.data() + 16, 4);
            out.push_back(m);
            if (r.ebx == 0) break;
        }
        return out;
    }
};

}  // namespace

namespace menvolt_test {
void PrintTo(const MapRange& m, std::ostream* o) {
    *o << std::hex << "{" << m.base << "," << m.length << "," << m.type << "}";
}
}  // namespace menvolt_test

namespace {

TEST(BootSector, ADisketteWithoutASystemSaysSoAndRestartsOnAKey) {
    std::vector<uint8_t> floppy;
    ASSERT_TRUE(imagelib::BuildImage(0, 0, floppy));
    RealModePc pc;
    pc.keys = {kEnter};
    pc.PowerOn();
    pc.Poke(0x7C00, floppy.data(), 512);
    ASSERT_TRUE(Ended(pc.RunFrom(0, 0x7C00), Stop::Restarted));
    EXPECT_NE(pc.written.find("This boot image holds no operating system."), std::string::npos) << pc.written;
    EXPECT_NE(pc.written.find("Press any key to restart"), std::string::npos);
    EXPECT_EQ(pc.keysRead, 1);
    EXPECT_EQ(pc.Word(0x472), 0x1234);  // a warm restart
}

TEST(StartupCode, InstallsTheRamDiskAndBootsTheVolume) {
    StartedImage s(16, KTIMG_OPTION_STANDARD);
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    EXPECT_EQ(s.pc.atStop.dx & 0xFF, 0);  // booted as drive A:
    EXPECT_EQ(s.pc.Bytes(0x7C00, 512), s.Sectors(0, 1));
    EXPECT_TRUE(s.pc.written.empty()) << s.pc.written;
    // The resident part sits at the top of base memory, which now ends
    // where the UNDI blocks ended (636 KB) less what it takes, and a
    // diskette drive is reported. Both hooks point into it. Its work area
    // (stack and descriptors, segment at offset 28h) lies in a 4 KB page
    // that holds none of its code.
    const uint16_t baseKb = s.pc.Word(0x413);
    EXPECT_GE(baseKb, 630);
    EXPECT_LT(baseKb, 636);
    EXPECT_GE(s.s_seg(), baseKb * 64);
    EXPECT_LT(s.s_seg(), 636 * 64);
    EXPECT_EQ(s.pc.Word(0x15 * 4 + 2), s.s_seg());
    EXPECT_EQ(s.pc.Bytes(s.s_seg() * 16u, 4), (std::vector<uint8_t>{'M', 'V', 'R', 'D'}));
    const uint32_t work = (s.ResidentField(0x28) & 0xFFFF) * 16u;
    EXPECT_GE(work, baseKb * 1024u);
    EXPECT_LE(work + 1024, 636 * 1024u);
    for (uint32_t code : {s.s_seg() * 16u, s.s_seg() * 16u + s.pc.Word(0x13 * 4),
                          s.s_seg() * 16u + s.pc.Word(0x15 * 4), 636 * 1024u - 1}) {
        if (code < work || code >= work + 1024) {
            EXPECT_NE(code >> 12, work >> 12) << std::hex << code;
        }
    }
    EXPECT_EQ(s.ResidentField(0x10), 16u << 20);
    EXPECT_EQ(s.pc.Bytes(0x410, 1)[0] & 1, 1);
    // The network stack was shut down the way the menu shuts it down.
    EXPECT_EQ(s.Opcodes(false), (std::vector<uint16_t>{0x0007, 0x0005, 0x0002}));
    EXPECT_EQ(s.Opcodes(true), (std::vector<uint16_t>{0x0015}));
}

TEST(StartupCode, TheOptionsKeepTheNetworkStack) {
    {
        StartedImage s(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI);
        ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
        EXPECT_EQ(s.Opcodes(false), (std::vector<uint16_t>{0x0076}));  // base code stopped only
        EXPECT_TRUE(s.Opcodes(true).empty());
        EXPECT_LE(s.pc.Word(0x413), s.s_seg() / 64);
        EXPECT_GT(s.pc.Word(0x413), 594);  // its memory stays reserved: below 600
        EXPECT_LT(s.pc.Word(0x413), 600);
    }
    {
        StartedImage s(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE);
        ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
        EXPECT_TRUE(s.pc.pxeCalls.empty());
        EXPECT_LT(s.pc.Word(0x413), 600);
    }
    {
        // No network stack answers: nothing to shut down, the disk still boots.
        StartedImage s(2, KTIMG_OPTION_STANDARD, true, false);
        ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
        EXPECT_TRUE(s.pc.pxeCalls.empty());
        EXPECT_LT(s.pc.Word(0x413), 600);
        EXPECT_EQ(s.pc.Bytes(0x7C00, 512), s.Sectors(0, 1));
    }
}

TEST(StartupCode, GivesTheNetworkStacksBaseMemoryBackByTheMenusRule) {
    // Once after the shut-down, once keeping the whole stack on a PC whose
    // base memory already ends where the shut-down must leave it: the
    // resident part must land in the same place.
    for (const auto& c : menvolt_test::kBaseMemoryCases) {
        StartedImage shutDown(2, KTIMG_OPTION_STANDARD, [&](RealModePc& pc) {
            pc.undiDataSeg = c.dataSeg;
            pc.undiDataSize = c.dataSize;
            pc.undiCodeSeg = c.codeSeg;
            pc.undiCodeSize = c.codeSize;
            pc.baseMemoryKb = c.beforeKb;
        });
        StartedImage kept(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE,
                          [&](RealModePc& pc) { pc.baseMemoryKb = c.givenBackKb; });
        ASSERT_TRUE(Ended(shutDown.Start(), Stop::BootSector)) << c.givenBackKb;
        ASSERT_TRUE(Ended(kept.Start(), Stop::BootSector));
        EXPECT_EQ(shutDown.pc.Word(0x413), kept.pc.Word(0x413)) << c.givenBackKb;
        EXPECT_GT(shutDown.pc.Word(0x413), c.givenBackKb - 8);
        EXPECT_EQ(shutDown.s_seg(), kept.s_seg());
        EXPECT_EQ(shutDown.ResidentField(0x28) & 0xFFFF, kept.ResidentField(0x28) & 0xFFFF);
    }
}

TEST(StartupCode, TheRamDiskServesReadsFromHighMemoryAndRefusesTheRest) {
    StartedImage s(16, KTIMG_OPTION_STANDARD);
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    // The volume now lies at the top of RAM (24 MB, 16 MB volume); what the
    // menu left at 110000h is no longer read.
    EXPECT_EQ(s.VolumeBase(), menvolt_test::place::kMemoryTop - (16u << 20));
    std::vector<uint8_t> zeros(0x10000, 0);
    s.pc.Poke(kDataBase, zeros);
    // Geometry: 32 sectors, 64 heads, one cylinder per megabyte.
    Registers r = s.Read(0x0001, 0, 1);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 0x0001);
    EXPECT_EQ(s.pc.Bytes(0x20000, 512), s.Sectors(0, 1));
    r = s.Read(0x0F20, 63, 1);  // cylinder 15, head 63, sector 32: the last one
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(s.pc.Bytes(0x20000, 512), s.Sectors(32767, 1));
    r = s.Read(0x0105, 3, 127);  // from cylinder 1 head 3 sector 5
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 127);
    EXPECT_EQ(s.pc.Bytes(0x20000, 127 * 512), s.Sectors((1 * 64 + 3) * 32 + 4, 127));
    // The largest count AL allows, into a buffer that crosses 64 KB
    // boundaries: one linear run, no wrap inside the segment.
    r = s.Read(0x0003, 1, 255, 0x2FF0);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 255);
    EXPECT_EQ(s.pc.Bytes(0x2FF00, 255 * 512), s.Sectors(32 + 2, 255));

    struct Refusal {
        uint16_t ax, cx, dx;
        uint8_t ah;
    };
    for (const Refusal& bad : {
             Refusal{0x0200, 0x0001, 0x0000, 0x01},  // no sectors
             Refusal{0x0201, 0x0021, 0x0000, 0x04},  // sector 33
             Refusal{0x0201, 0x0000, 0x0000, 0x04},  // sector 0
             Refusal{0x0201, 0x0001, 0x4000, 0x04},  // head 64
             Refusal{0x0201, 0x1001, 0x0000, 0x04},  // cylinder 16
             Refusal{0x0202, 0x0F20, 0x3F00, 0x04},  // runs past the last sector
             Refusal{0x0301, 0x0001, 0x0000, 0x03},  // any write
             Refusal{0x0501, 0x0001, 0x0000, 0x01},  // format: not on this drive
         }) {
        Registers in;
        in.ax = bad.ax;
        in.cx = bad.cx;
        in.dx = bad.dx;
        in.es = 0x2000;
        r = s.Int(0x13, in);
        EXPECT_TRUE(r.Carry()) << std::hex << bad.ax << " " << bad.cx << " " << bad.dx;
        EXPECT_EQ(r.ax >> 8, bad.ah) << std::hex << bad.ax << " " << bad.cx << " " << bad.dx;
        Registers status;
        status.ax = 0x0100;
        r = s.Int(0x13, status);  // function 01h repeats the last status
        EXPECT_EQ(r.ax >> 8, bad.ah);
        EXPECT_TRUE(r.Carry());
    }
    EXPECT_TRUE(s.pc.chainedInt13.empty());

    Registers params;
    params.ax = 0x0800;
    r = s.Int(0x13, params);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 0);
    EXPECT_EQ(r.cx, 0x0F20);        // last cylinder 15, 32 sectors
    EXPECT_EQ(r.dx, 0x3F01);        // last head 63, one diskette drive
    EXPECT_EQ(s.pc.Bytes(r.es * 16u + r.di + 4, 1)[0], 32);  // the table's sectors per track
    Registers type;
    type.ax = 0x1500;
    r = s.Int(0x13, type);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax >> 8, 0x02);     // a diskette drive that reports changes
    Registers reset;
    reset.ax = 0x0000;
    EXPECT_FALSE(s.Int(0x13, reset).Carry());
    Registers change;
    change.ax = 0x1600;
    r = s.Int(0x13, change);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax >> 8, 0);

    // Other drives go to the handler that was there before.
    for (uint16_t dx : {0x0001, 0x0080}) {
        Registers other;
        other.ax = 0x0201;
        other.cx = 0x0001;
        other.dx = dx;
        r = s.Int(0x13, other);
        EXPECT_EQ(r.ax >> 8, menvolt_test::kBiosDiskStatus);
    }
    EXPECT_EQ(s.pc.chainedInt13.size(), 2u);
}

TEST(StartupCode, TheMemoryMapHidesTheVolumeAndKeepsEveryOtherRange) {
    StartedImage s(2, KTIMG_OPTION_STANDARD);
    // Usable RAM up to 24 MB with an ACPI table in its top 64 KB and a
    // reserved hole at 16 MB: the volume goes right under the ACPI table.
    s.pc.memoryMap = {{0, 0x9FC00, 1},           {0x9FC00, 0x400, 2},         {0xF0000, 0x10000, 2},
                      {0x100000, 0xF00000, 1},   {0x1000000, 0x1000, 2},      {0x1001000, 0x7EF000, 1},
                      {0x17F0000, 0x10000, 3},   {0xFFFC0000ull, 0x40000, 2}, {0x100000000ull, 0x1000000, 1}};
    s.pc.e801Low = 15 * 1024;
    s.pc.e801High = 127;
    s.pc.ext88 = 0xFC00;
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    const uint32_t base = 0x17F0000 - (2u << 20);
    ASSERT_EQ(s.VolumeBase(), base);
    EXPECT_EQ(s.pc.Bytes(base, 2u << 20), s.volume);
    EXPECT_EQ(s.pc.Bytes(0x7C00, 512), s.Sectors(0, 1));

    bool ok = false;
    auto map = s.HookedMap(&ok);
    ASSERT_TRUE(ok);
    std::vector<MapRange> want = s.pc.memoryMap;
    want.erase(want.begin() + 5);
    want.insert(want.begin() + 5, {{0x1001000, base - 0x1001000, 1}, {base, 2u << 20, 2}});
    EXPECT_EQ(map, want);

    // E801: all of 1-16 MB, and 64 KB blocks above 16 MB up to the volume;
    // 88h: nothing at or above the volume's start.
    Registers r;
    r.eax = 0xE801;
    r = s.Int(0x15, r);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.eax & 0xFFFF, 15u * 1024);
    EXPECT_EQ(r.ecx & 0xFFFF, 15u * 1024);
    EXPECT_EQ(r.ebx & 0xFFFF, (base - 0x1000000) >> 16);
    EXPECT_EQ(r.edx & 0xFFFF, (base - 0x1000000) >> 16);
    r = Registers{};
    r.eax = 0x8800;
    r = s.Int(0x15, r);
    EXPECT_EQ(r.eax & 0xFFFF, (base - 0x100000) >> 10);
    // Every other function goes to the BIOS unchanged.
    const int before = s.pc.biosInt15Calls;
    r = Registers{};
    r.eax = 0xC000;
    r = s.Int(0x15, r);
    EXPECT_EQ(s.pc.biosInt15Calls, before + 1);
    EXPECT_TRUE(r.Carry());
    EXPECT_EQ(r.eax & 0xFFFF, 0x8600u);
}

TEST(StartupCode, WithoutE820TheVolumeGoesUnderTheTopThatE801Gives) {
    StartedImage s(4, KTIMG_OPTION_STANDARD);
    s.pc.hasE820 = false;
    s.pc.e801Low = 15 * 1024;
    s.pc.e801High = 64;  // RAM to 20 MB
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    EXPECT_EQ(s.VolumeBase(), 0x1400000u - (4u << 20));
    Registers r;
    r.eax = 0xE801;
    r = s.Int(0x15, r);
    EXPECT_EQ(r.eax & 0xFFFF, 15u * 1024);
    EXPECT_EQ(r.ebx & 0xFFFF, 0u);  // the volume starts at 16 MB
    // E820 stays the BIOS's answer (none).
    r = Registers{};
    r.eax = 0xE820;
    r.edx = 0x534D4150;
    r.ecx = 20;
    EXPECT_TRUE(s.Int(0x15, r).Carry());
}

TEST(StartupCode, AWritableDiskKeepsWritesInMemory) {
    StartedImage s(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_WRITABLE);
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    std::vector<uint8_t> data(3 * 512);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + 1);
    s.pc.Poke(0x40000, data);
    Registers w;
    w.ax = 0x0303;
    w.cx = 0x0102;  // cylinder 1, sector 2
    w.dx = 0x0100;  // head 1
    w.es = 0x4000;
    Registers r = s.Int(0x13, w);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 3);
    const uint32_t first = (1 * 64 + 1) * 32 + 1;
    EXPECT_EQ(s.pc.Bytes(s.VolumeBase() + first * 512, data.size()), data);
    r = s.Read(0x0102, 1, 3, 0x5000);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(s.pc.Bytes(0x50000, data.size()), data);
}

TEST(StartupCode, ABadHeaderOrTooLittleMemoryStopsWithAMessage) {
    struct Case {
        const char* what;
        std::function<void(StartedImage&)> spoil;
        const char* message;
    };
    const Case cases[] = {
        {"geometry", [](StartedImage& s) { s.pc.PokeWord(0x10000 + imagelib::kHeaderSectorsPerTrack, 33); },
         "header does not fit"},
        {"sectors", [](StartedImage& s) { s.pc.PokeWord(0x10000 + imagelib::kHeaderTotalSectors, 100); },
         "header does not fit"},
        {"short file",
         [](StartedImage& s) {
             s.pc.PokeDword(kReceivedSize, static_cast<uint32_t>(s.bytes.size() - 512));
         },
         "header does not fit"},
        {"memory", [](StartedImage& s) { s.pc.memoryMap = {{0, 0x9FC00, 1}, {0x100000, 0x300000, 1}}; },
         "too little memory"},
        {"moves", [](StartedImage& s) { s.pc.failMovesFrom = 0x1000000; }, "could not be moved"},
    };
    for (const Case& c : cases) {
        StartedImage s(4, KTIMG_OPTION_STANDARD);
        c.spoil(s);
        const uint32_t before13 = s.pc.VectorTarget(0x13), before15 = s.pc.VectorTarget(0x15);
        ASSERT_TRUE(Ended(s.Start(), Stop::Halted)) << c.what;
        EXPECT_NE(s.pc.written.find(c.message), std::string::npos) << c.what << ": " << s.pc.written;
        EXPECT_EQ(s.pc.VectorTarget(0x13), before13) << c.what;
        EXPECT_EQ(s.pc.VectorTarget(0x15), before15) << c.what;
        // A header that does not fit is found before anything is touched.
        if (std::string(c.message) == "header does not fit") {
            EXPECT_TRUE(s.pc.pxeCalls.empty()) << c.what;
        }
        EXPECT_EQ(s.pc.keysRead, 0) << c.what;  // halted, not restarting
    }
}

TEST(StartupCode, TheHiddenDiskMakesNoMemoryManagerClaim) {
    // The volume is out of every memory map a memory manager reads, so the
    // disk claims nothing from it: a claim would only take memory it owns.
    StartedImage s(4, KTIMG_OPTION_STANDARD);
    ASSERT_TRUE(Ended(s.Start(), Stop::BootSector));
    s.pc.xmsDriver = true;
    EXPECT_FALSE(s.Read(0x0001, 0, 1).Carry());
    EXPECT_TRUE(s.pc.xmsFunctions.empty());
    EXPECT_EQ(s.pc.Bytes(0x20000, 512), s.Sectors(0, 1));
}

TEST(StartupCode, StartedWithoutTheMenuItRefusesAndRestarts) {
    StartedImage s(2, KTIMG_OPTION_STANDARD, false);
    const uint32_t before = s.pc.VectorTarget(0x13);
    ASSERT_TRUE(Ended(s.Start(), Stop::Restarted));
    EXPECT_NE(s.pc.written.find("must be started from a network boot menu"), std::string::npos) << s.pc.written;
    EXPECT_EQ(s.pc.keysRead, 1);
    EXPECT_EQ(s.pc.VectorTarget(0x13), before);
    EXPECT_TRUE(s.pc.pxeCalls.empty());
}

}  // namespace
