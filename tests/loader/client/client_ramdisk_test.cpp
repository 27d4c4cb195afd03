// The RAM disk: its installation below the top of base memory and the
// INT 13h service it puts in front of the BIOS.
#include "tests/support/base_memory_cases.h"
#include "tests/support/client_test_support.h"

using namespace menvolt_test;

namespace {

class RamDiskTest : public ClientTest {
protected:
    Stop Install() {
        m.tftpFiles[ImagePath("disk.img")] = DisketteImage();
        return Boot(MakeLoader({{"disk.img", "Diskette", ""}}));
    }
    Registers Read(uint8_t count, uint8_t cylinder, uint8_t head, uint8_t sector, uint16_t es = 0x0000,
                   uint16_t bx = 0x8000, uint8_t drive = 0) {
        Registers r;
        r.ax = 0x0200 | count;
        r.cx = uint16_t(cylinder << 8 | sector);
        r.dx = uint16_t(head << 8 | drive);
        r.es = es;
        r.bx = bx;
        r.si = 0x1357;
        r.di = 0x2468;
        r.bp = 0x3579;
        r.ds = 0x4321;
        EXPECT_TRUE(Ended(m.CallInt13(r), Stop::ReturnedToCaller));
        return r;
    }
    Registers Call(uint16_t ax, uint16_t dx = 0) {
        Registers r;
        r.ax = ax;
        r.dx = dx;
        r.cx = 0x0001;
        EXPECT_TRUE(Ended(m.CallInt13(r), Stop::ReturnedToCaller));
        return r;
    }
    uint16_t ResidentSeg() const { return uint16_t(m.Dword(0x13 * 4) >> 16); }
};

TEST_F(RamDiskTest, InstallationTakesBaseMemoryHooksInt13AndBootsDriveA) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    // The UNDI code block (9D00h, 8 KB) lies above the data block and ends
    // at 9F00h, 636 KB; 2 KB of that go to the resident copy.
    EXPECT_EQ(m.Word(0x413), 634);
    EXPECT_EQ(ResidentSeg(), 634 * 64);
    EXPECT_EQ(m.Byte(0x410) & 1, 1);
    EXPECT_EQ(m.atStop.dx & 0xFF, 0);
    EXPECT_EQ(m.atStop.flags & 0x200, 0x200);
    auto disk = DisketteImage();
    EXPECT_EQ(m.Bytes(0x7C00, 512), std::vector<uint8_t>(disk.begin(), disk.begin() + 512));
    const uint32_t resident = uint32_t(ResidentSeg()) << 4;
    EXPECT_EQ(m.Bytes(resident + layout::LDR_RESIDENT, layout::LDR_XMS_ENTRY - layout::LDR_RESIDENT),
              std::vector<uint8_t>(m_file.begin() + layout::LDR_RESIDENT, m_file.begin() + layout::LDR_XMS_ENTRY));
    EXPECT_EQ(m.Dword(resident + layout::LDR_OLD_INT13), (uint32_t(place::kBiosSeg) << 16) | (place::kVectorBase + 0x4C));
    EXPECT_EQ(m.Word(resident + layout::LDR_RAMDISK_SECTORS), 2880);
    std::vector<uint16_t> expected = {0x0071, 0x0023, 0x0007, 0x0005, 0x0002, 0x0015};
    EXPECT_EQ(Opcodes(), expected);
}

TEST_F(RamDiskTest, BaseMemoryComesFromTheHigherUndiBlockAndNeverDrops) {
    for (const auto& c : kBaseMemoryCases) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.undiDataSeg = c.dataSeg;
        fresh.undiDataSize = c.dataSize;
        fresh.undiCodeSeg = c.codeSeg;
        fresh.undiCodeSize = c.codeSize;
        fresh.baseMemoryKb = c.beforeKb;
        fresh.tftpFiles[ImagePath("disk.img")] = DisketteImage();
        fresh.Load(MakeLoader({{"disk.img", "Diskette", ""}}));
        ASSERT_TRUE(Ended(fresh.Run(), Stop::BootSector));
        const unsigned after = c.givenBackKb - 2u;  // the resident copy's 2 KB
        EXPECT_EQ(fresh.Word(0x413), after) << std::hex << c.dataSeg << " " << c.codeSeg << " " << std::dec << c.beforeKb;
        EXPECT_EQ(fresh.Dword(0x13 * 4) >> 16, after * 64u);
    }
}

TEST_F(RamDiskTest, ReadsTheLastSectorAndKeepsTheCallersRegisters) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    Registers r = Read(1, 79, 1, 18);
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 0x0001);
    EXPECT_EQ(m.Word(0x8000), 2879);
    EXPECT_EQ(m.Byte(0x8000 + 511), uint8_t(2879));
    EXPECT_EQ(r.bx, 0x8000);
    EXPECT_EQ(r.cx, 79 << 8 | 18);
    EXPECT_EQ(r.dx, 1 << 8);
    EXPECT_EQ(r.si, 0x1357);
    EXPECT_EQ(r.di, 0x2468);
    EXPECT_EQ(r.bp, 0x3579);
    EXPECT_EQ(r.ds, 0x4321);
    EXPECT_EQ(r.es, 0);
}

TEST_F(RamDiskTest, ReadsUpTo127SectorsAtOnce) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    Registers r = Read(127, 1, 0, 1, 0x2000, 0x0000);  // linear 36 onwards
    EXPECT_FALSE(r.Carry());
    EXPECT_EQ(r.ax, 127);
    EXPECT_EQ(m.Word(0x20000), 36);
    EXPECT_EQ(m.Word(0x20000 + 126 * 512), 36 + 126);
}

// One read after another, with sources and buffers that change in every
// part of their addresses (and stay the same), each brings its own sectors:
// nothing of an earlier request's descriptors may linger.
TEST_F(RamDiskTest, EveryReadOfASeriesBringsItsOwnSectors) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    auto disk = DisketteImage();
    struct Case {
        uint8_t count, cylinder, head, sector;
        uint16_t es, bx;
    };
    const Case cases[] = {
        {18, 0, 0, 1, 0x2000, 0x0000},  {18, 0, 1, 1, 0x2000, 0x0000},  // same buffer, next track
        {1, 3, 1, 14, 0x2000, 0x0000},                                   // from the disk's second 64 KB
        {2, 3, 1, 15, 0x0000, 0x8000},  {127, 40, 0, 1, 0x3000, 0x0200},  // another buffer, another 64 KB
        {3, 79, 1, 16, 0xFFFF, 0x0010},                                 // a buffer above 1 MB
        {1, 0, 0, 1, 0x2000, 0x0000},
    };
    for (const auto& c : cases) {
        uint32_t linear = (c.cylinder * 2u + c.head) * 18u + c.sector - 1u;
        Registers r = Read(c.count, c.cylinder, c.head, c.sector, c.es, c.bx);
        ASSERT_FALSE(r.Carry()) << linear;
        EXPECT_EQ(r.ax, c.count) << linear;
        EXPECT_EQ(m.Bytes(uint32_t(c.es) * 16 + c.bx, c.count * 512u),
                  std::vector<uint8_t>(disk.begin() + linear * 512, disk.begin() + (linear + c.count) * 512))
            << linear;
    }
}

TEST_F(RamDiskTest, RefusesWhatLiesOutsideTheDisk) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    m.Poke(0x8000, {0xEE, 0xEE});
    struct Case {
        const char* what;
        uint8_t count, cylinder, head, sector, status;
    };
    const Case cases[] = {
        {"sector 19", 1, 0, 0, 19, 0x04},  {"sector 0", 1, 0, 0, 0, 0x04},
        {"head 2", 1, 0, 2, 1, 0x04},      {"cylinder 80", 1, 80, 0, 1, 0x04},
        {"past the end", 2, 79, 1, 18, 0x04}, {"128 sectors", 128, 0, 0, 1, 0x01},
        {"no sectors", 0, 0, 0, 1, 0x01},
    };
    for (const auto& c : cases) {
        Registers r = Read(c.count, c.cylinder, c.head, c.sector);
        EXPECT_TRUE(r.Carry()) << c.what;
        EXPECT_EQ(r.ax >> 8, c.status) << c.what;
    }
    EXPECT_EQ(m.Word(0x8000), 0xEEEE);  // nothing was copied
    Registers cylinderBits = Read(1, 0, 0, 0x41);  // cylinder 256 through CL bits 6-7
    EXPECT_TRUE(cylinderBits.Carry());
}

TEST_F(RamDiskTest, WritesAreRefusedResetAndChangeLineSucceed) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    Registers w = Call(0x0301);
    EXPECT_TRUE(w.Carry());
    EXPECT_EQ(w.ax >> 8, 0x03);
    Registers reset = Call(0x0000);
    EXPECT_FALSE(reset.Carry());
    EXPECT_EQ(reset.ax >> 8, 0);
    Registers line = Call(0x1600);
    EXPECT_FALSE(line.Carry());
    EXPECT_EQ(line.ax >> 8, 0);
    EXPECT_TRUE(m.chainedInt13.empty());
}

TEST_F(RamDiskTest, OtherDrivesAndFunctionsGoToThePreviousHandler) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    Read(1, 0, 0, 1, 0x0000, 0x8000, 0x80);
    Call(0x0800, 0x0000);
    Call(0x0201, 0x0001);
    ASSERT_EQ(m.chainedInt13.size(), 3u);
    EXPECT_EQ(m.chainedInt13[0].ax, 0x0201);
    EXPECT_EQ(m.chainedInt13[0].dx & 0xFF, 0x80);
    EXPECT_EQ(m.chainedInt13[0].bx, 0x8000);
    EXPECT_EQ(m.chainedInt13[0].cx, 0x0001);
    EXPECT_EQ(m.chainedInt13[1].ax, 0x0800);
    EXPECT_EQ(m.chainedInt13[2].dx & 0xFF, 0x01);
}

TEST_F(RamDiskTest, ClaimsItsMemoryOnceAMemoryManagerAppears) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    Read(1, 0, 0, 1);
    EXPECT_TRUE(m.xmsFunctions.empty());
    m.xmsDriver = true;
    Read(1, 0, 0, 2);
    std::vector<uint8_t> expected = {0x08, 0x09, 0x0F, 0x0C};
    EXPECT_EQ(m.xmsFunctions, expected);
    EXPECT_EQ(m.xmsReallocKb, 1440);
    EXPECT_EQ(m.Word((uint32_t(ResidentSeg()) << 4) + layout::LDR_XMS_HANDLE), 0x0042);
    Read(1, 0, 0, 3);
    EXPECT_EQ(m.xmsFunctions.size(), 4u);
}

TEST_F(RamDiskTest, KeepsAskingUntilTheDriverGivesAHandle) {
    ASSERT_TRUE(Ended(Install(), Stop::BootSector));
    m.xmsDriver = true;
    m.xmsFreeKb = 0;  // nothing free: the allocation fails
    Read(1, 0, 0, 1);
    std::vector<uint8_t> refused = {0x08, 0x09};
    EXPECT_EQ(m.xmsFunctions, refused);
    EXPECT_EQ(m.Word((uint32_t(ResidentSeg()) << 4) + layout::LDR_XMS_HANDLE), 0);
    m.xmsFreeKb = 4096;
    Read(1, 0, 0, 1);
    std::vector<uint8_t> claimed = {0x08, 0x09, 0x08, 0x09, 0x0F, 0x0C};
    EXPECT_EQ(m.xmsFunctions, claimed);
}

}  // namespace
