// The boot sector and the extended image's start-up code, run in an
// emulated PC the way the network boot menu starts them.
#include <gtest/gtest.h>

#include "fat_volume.h"
#include "image_format.h"
#include "image_library.h"
#include "real_mode_machine.h"

namespace {

using imagetest::Regs;
using imagetest::RealModeMachine;

constexpr uint32_t kDataBase = 0x110000;

// What the menu does before it jumps to 1000:0000: the start-up code at
// 10000h, the volume moved to 110000h, "pc" in its work buffer.
struct StartedImage {
    std::vector<uint8_t> bytes;
    imagelib::ImageInfo info;
    RealModeMachine pc;
    std::vector<uint8_t> volume;

    StartedImage(uint32_t mb, uint32_t options, bool fromMenu = true, bool withPxe = true) {
        EXPECT_TRUE(imagelib::BuildImage(mb, options, bytes));
        EXPECT_TRUE(imagelib::InspectImage(bytes, info));
        imagelib::FatVolume v;
        EXPECT_TRUE(v.Mount(bytes, info.volumeOffset));
        std::vector<uint8_t> text(70000);
        for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
        EXPECT_EQ(v.WriteFile("DATA.BIN", text.data(), text.size(), false), imagelib::FatError::None);
        volume.assign(bytes.begin() + static_cast<long>(info.volumeOffset), bytes.end());

        pc.Write(0x10000, bytes.data(), info.volumeOffset);
        pc.Write(kDataBase, volume.data(), volume.size());
        pc.Write16(0xC000 + 0x0A, 0x1234);  // the menu program's length
        if (fromMenu) pc.Write(0xC000 + 0x1240 + 4, "pc", 2);
        // UNDI data 9C00h (4 KB) and code 9D00h (8 KB) end at 9F00h: 636 KB.
        if (withPxe) pc.InstallPxe(0x9C00, 0x1000, 0x9D00, 0x2000);
    }

    Regs Read(uint16_t cx, uint16_t dh, uint8_t count, uint16_t bufSeg = 0x2000) {
        Regs in;
        in.ax = static_cast<uint16_t>(0x0200 | count);
        in.cx = cx;
        in.dx = static_cast<uint16_t>(dh << 8);
        in.es = bufSeg;
        in.bx = 0;
        return pc.CallInt13(in);
    }
    std::vector<uint8_t> Sectors(uint32_t first, uint32_t count) {
        return std::vector<uint8_t>(volume.begin() + first * 512, volume.begin() + (first + count) * 512);
    }
};

TEST(BootSector, ADisketteWithoutASystemSaysSoAndRestartsOnAKey) {
    std::vector<uint8_t> floppy;
    ASSERT_TRUE(imagelib::BuildImage(0, 0, floppy));
    RealModeMachine pc;
    pc.Write(0x7C00, floppy.data(), 512);
    ASSERT_TRUE(pc.Run(0, 0x7C00, RealModeMachine::kRestart)) << pc.error;
    EXPECT_NE(pc.screen.find("This boot image holds no operating system."), std::string::npos) << pc.screen;
    EXPECT_NE(pc.screen.find("Press any key to restart"), std::string::npos);
    EXPECT_EQ(pc.keysRead, 1);
    EXPECT_EQ(pc.Read16(0x472), 0x1234);  // a warm restart
}

TEST(StartupCode, InstallsTheRamDiskAndBootsTheVolume) {
    StartedImage s(16, KTIMG_OPTION_STANDARD);
    Regs at;
    ASSERT_TRUE(s.pc.Run(0x1000, 0x0000, 0x7C00, &at)) << s.pc.error;
    EXPECT_EQ(at.dx & 0xFF, 0);  // booted as drive A:
    EXPECT_EQ(s.pc.Read(0x7C00, 512), s.Sectors(0, 1));
    EXPECT_TRUE(s.pc.screen.empty()) << s.pc.screen;
    // The service sits in the top KB of base memory, which now ends where
    // the UNDI blocks ended, and a diskette drive is reported.
    EXPECT_EQ(s.pc.Read16(0x413), 635);
    EXPECT_EQ(s.pc.Vector(0x13) & ~0x3FFu, 635u * 1024);
    EXPECT_EQ(s.pc.Read(0x410, 1)[0] & 1, 1);
    // The network stack was shut down the way the menu shuts it down.
    EXPECT_EQ(s.pc.pxeCalls, (std::vector<uint16_t>{0x0007, 0x0005, 0x0002}));
    EXPECT_EQ(s.pc.pxeSpCalls, (std::vector<uint16_t>{0x0015}));
}

TEST(StartupCode, TheOptionsKeepTheNetworkStack) {
    {
        StartedImage s(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI);
        ASSERT_TRUE(s.pc.Run(0x1000, 0, 0x7C00)) << s.pc.error;
        EXPECT_EQ(s.pc.pxeCalls, (std::vector<uint16_t>{0x0076}));  // base code stopped only
        EXPECT_TRUE(s.pc.pxeSpCalls.empty());
        EXPECT_EQ(s.pc.Read16(0x413), 599);  // its memory stays reserved
    }
    {
        StartedImage s(2, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE);
        ASSERT_TRUE(s.pc.Run(0x1000, 0, 0x7C00)) << s.pc.error;
        EXPECT_TRUE(s.pc.pxeCalls.empty());
        EXPECT_TRUE(s.pc.pxeSpCalls.empty());
        EXPECT_EQ(s.pc.Read16(0x413), 599);
    }
    {
        // No network stack answers: nothing to shut down, the disk still boots.
        StartedImage s(2, KTIMG_OPTION_STANDARD, true, false);
        ASSERT_TRUE(s.pc.Run(0x1000, 0, 0x7C00)) << s.pc.error;
        EXPECT_TRUE(s.pc.pxeCalls.empty());
        EXPECT_EQ(s.pc.Read16(0x413), 599);
        EXPECT_EQ(s.pc.Read(0x7C00, 512), s.Sectors(0, 1));
    }
}

TEST(StartupCode, TheRamDiskServesReadsAndRefusesTheRest) {
    StartedImage s(16, KTIMG_OPTION_STANDARD);
    ASSERT_TRUE(s.pc.Run(0x1000, 0, 0x7C00)) << s.pc.error;
    // Geometry: 32 sectors, 64 heads, one cylinder per megabyte.
    Regs r = s.Read(0x0001, 0, 1);
    EXPECT_FALSE(r.carry);
    EXPECT_EQ(r.ax, 0x0001);
    EXPECT_EQ(s.pc.Read(0x20000, 512), s.Sectors(0, 1));
    r = s.Read(0x0F20, 63, 1);  // cylinder 15, head 63, sector 32: the last one
    EXPECT_FALSE(r.carry);
    EXPECT_EQ(s.pc.Read(0x20000, 512), s.Sectors(32767, 1));
    r = s.Read(0x0105, 3, 127);  // the largest request, from cylinder 1 head 3 sector 5
    EXPECT_FALSE(r.carry);
    EXPECT_EQ(r.ax, 127);
    EXPECT_EQ(s.pc.Read(0x20000, 127 * 512), s.Sectors((1 * 64 + 3) * 32 + 4, 127));

    struct Refusal {
        uint16_t ax, cx, dx;
        uint8_t ah;
    };
    for (const Refusal& bad : {
             Refusal{0x0280, 0x0001, 0x0000, 0x01},  // 128 sectors
             Refusal{0x0200, 0x0001, 0x0000, 0x01},  // none
             Refusal{0x0201, 0x0021, 0x0000, 0x04},  // sector 33
             Refusal{0x0201, 0x0000, 0x0000, 0x04},  // sector 0
             Refusal{0x0201, 0x0001, 0x4000, 0x04},  // head 64
             Refusal{0x0201, 0x1001, 0x0000, 0x04},  // cylinder 16
             Refusal{0x0202, 0x0F20, 0x3F00, 0x04},  // runs past the last sector
             Refusal{0x0301, 0x0001, 0x0000, 0x03},  // any write
         }) {
        Regs in;
        in.ax = bad.ax;
        in.cx = bad.cx;
        in.dx = bad.dx;
        in.es = 0x2000;
        r = s.pc.CallInt13(in);
        EXPECT_TRUE(r.carry) << std::hex << bad.ax << " " << bad.cx << " " << bad.dx;
        EXPECT_EQ(r.ax >> 8, bad.ah) << std::hex << bad.ax << " " << bad.cx << " " << bad.dx;
    }
    EXPECT_EQ(s.pc.chained13, 0);

    Regs params;
    params.ax = 0x0800;
    r = s.pc.CallInt13(params);
    EXPECT_FALSE(r.carry);
    EXPECT_EQ(r.cx, 0x0F20);        // last cylinder 15, 32 sectors
    EXPECT_EQ(r.dx >> 8, 63);       // last head
    Regs reset;
    reset.ax = 0x0000;
    EXPECT_FALSE(s.pc.CallInt13(reset).carry);
    Regs change;
    change.ax = 0x1600;
    r = s.pc.CallInt13(change);
    EXPECT_FALSE(r.carry);
    EXPECT_EQ(r.ax >> 8, 0);

    // Other drives go to the handler that was there before.
    for (uint16_t dx : {0x0001, 0x0080}) {
        Regs other;
        other.ax = 0x0201;
        other.cx = 0x0001;
        other.dx = dx;
        r = s.pc.CallInt13(other);
        EXPECT_EQ(r.ax >> 8, 0x77);
    }
    EXPECT_EQ(s.pc.chained13, 2);
}

TEST(StartupCode, TheDiskClaimsItsMemoryOnceAMemoryManagerIsLoaded) {
    StartedImage s(4, KTIMG_OPTION_STANDARD);
    ASSERT_TRUE(s.pc.Run(0x1000, 0, 0x7C00)) << s.pc.error;
    EXPECT_FALSE(s.Read(0x0001, 0, 1).carry);
    EXPECT_TRUE(s.pc.xmsCalls.empty());  // none loaded yet
    s.pc.xmsPresent = true;
    EXPECT_FALSE(s.Read(0x0001, 0, 1).carry);
    // Query, allocate, shrink to the disk's 4096 KB, lock: once.
    EXPECT_EQ(s.pc.xmsCalls, (std::vector<uint8_t>{0x08, 0x09, 0x0F, 0x0C}));
    EXPECT_EQ(s.pc.xmsResizeKb, 4096);
    EXPECT_FALSE(s.Read(0x0002, 0, 1).carry);
    EXPECT_EQ(s.pc.xmsCalls.size(), 4u);
    EXPECT_EQ(s.pc.Read(0x20000, 512), s.Sectors(1, 1));
}

TEST(StartupCode, StartedWithoutTheMenuItRefusesAndRestarts) {
    StartedImage s(2, KTIMG_OPTION_STANDARD, false);
    const uint32_t before = s.pc.Vector(0x13);
    ASSERT_TRUE(s.pc.Run(0x1000, 0, RealModeMachine::kRestart)) << s.pc.error;
    EXPECT_NE(s.pc.screen.find("must be started from a network boot menu"), std::string::npos) << s.pc.screen;
    EXPECT_EQ(s.pc.keysRead, 1);
    EXPECT_EQ(s.pc.Vector(0x13), before);
    EXPECT_TRUE(s.pc.pxeCalls.empty());
}

}  // namespace
