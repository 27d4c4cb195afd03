// Start-up of the client program: moving itself, finding PXE, reading the
// cached reply and the server address, the item count, and the return to
// the caller for a hard-drive item.
#include "tests/support/client_test_support.h"

using namespace menvolt_test;

namespace {

const std::vector<ItemStrings> kHardDrive = {{"", "Boot from hard drive", ""}};

TEST_F(ClientTest, HardDriveItemShutsPxeDownAndReturnsWithTheCallersRegisters) {
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::ReturnedToCaller));
    ExpectCallerRegistersBack(m.atStop);
    EXPECT_EQ(m.atStop.ax, 0);
    EXPECT_EQ(m.atStop.sp, place::kCallerSp);  // the far return took its 4 bytes
    EXPECT_EQ(m.atStop.ss, place::kCallerSs);
    std::vector<uint16_t> expected = {0x0071, 0x0007, 0x0005, 0x0002, 0x0015};
    EXPECT_EQ(Opcodes(), expected);
    EXPECT_TRUE(m.pxeCalls.back().throughBangPxe);
    EXPECT_EQ(m.written, "");  // a single item shows nothing
    EXPECT_EQ(m.RowText(0).substr(0, 18), "PXE boot ROM ready");
}

TEST_F(ClientTest, StopUndiOnlyWithAVersionTwoStructureAndAValidBangPxe) {
    for (auto [version, bang] : {std::pair<uint16_t, bool>{0x0100, true}, {0x0201, false}}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.pxenvVersion = version;
        fresh.bangPxe = bang;
        fresh.Load(MakeLoader(kHardDrive));
        ASSERT_TRUE(Ended(fresh.Run(), Stop::ReturnedToCaller));
        ASSERT_EQ(fresh.pxeCalls.size(), 4u) << version;
        EXPECT_EQ(fresh.pxeCalls.back().opcode, 0x0002);
        EXPECT_EQ(fresh.Dword(At(layout::LDR_PXE_PTR)), bang && version >= 0x200 ? 0x90000080u : 0u);
    }
}

TEST_F(ClientTest, KeepsThePxeAddressesItFound) {
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::ReturnedToCaller));
    EXPECT_EQ(m.Dword(At(layout::LDR_PXENV_PTR)), 0x90000000u);
    EXPECT_EQ(m.Dword(At(layout::LDR_PXENV_ENTRY)), 0xF0000800u);
    EXPECT_EQ(m.Dword(At(layout::LDR_PXE_ENTRY_SP)), 0xF0000810u);
    EXPECT_EQ(m.Word(At(layout::LDR_PXENV_VERSION)), 0x0201);
}

// The copy to 0C00:0000 from below, from above (both overlapping it) and
// from the place itself.
TEST_F(ClientTest, RelocationIsRightWhereverTheFileWasLoaded) {
    auto file = MakeLoader(kHardDrive);
    for (uint16_t segment : {0x0BF0, 0x0C10, 0x0C00, 0x0B80, 0x3000}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.Load(file, segment);
        ASSERT_TRUE(Ended(fresh.Run(), Stop::ReturnedToCaller)) << std::hex << segment;
        auto moved = fresh.Bytes(kLoaderBase, layout::LDR_RESIDENT);
        // Up to the work areas the moved copy is the file itself.
        EXPECT_TRUE(std::equal(file.begin() + 0x43, file.begin() + 0x46, moved.begin() + 0x43)) << segment;
        auto tail = fresh.Bytes(kLoaderBase + layout::LDR_HEADER, file.size() - layout::LDR_HEADER);
        EXPECT_TRUE(std::equal(tail.begin(), tail.end(), file.begin() + layout::LDR_HEADER)) << segment;
        auto code = fresh.Bytes(kLoaderBase + layout::LDR_MENU, 0x100);
        EXPECT_TRUE(std::equal(code.begin(), code.end(), file.begin() + layout::LDR_MENU)) << segment;
        EXPECT_EQ(fresh.atStop.ax, 0);
    }
}

TEST_F(ClientTest, WorkBufferStartsAtTheNextParagraphAfterTheFile) {
    auto file = MakeLoader(kHardDrive);
    ASSERT_TRUE(Ended(Boot(file), Stop::ReturnedToCaller));
    EXPECT_EQ(m.Word(At(layout::LDR_WORK_BUFFER_PTR)), (file.size() + 15) & ~size_t(15));
    EXPECT_EQ(m.Byte(WorkBuffer()), 2);  // the cached reply landed there
}

TEST_F(ClientTest, NoPxeIsReported) {
    m.pxePresent = false;
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::Halted));
    EXPECT_EQ(m.written, "Error: Preboot API not found!");
    EXPECT_EQ(m.RowText(2).substr(0, 29), "Error: Preboot API not found!");
    EXPECT_EQ(m.Attr(2, 0), 0x07);
}

TEST_F(ClientTest, UnusableCachedRepliesAreReported) {
    struct Case {
        const char* what;
        bool fails;
        uint16_t status;
        std::vector<uint8_t> reply;
    };
    auto notReply = BootpReply(kServer);
    notReply[0] = 1;
    std::vector<Case> cases = {
        {"carry", true, 0, BootpReply(kServer)},
        {"status", false, 0x0001, BootpReply(kServer)},
        {"300 bytes", false, 0, BootpReply(kServer, {}, 300)},
        {"request", false, 0, notReply},
    };
    for (const auto& c : cases) {
        RealModePc fresh;
        fresh.cachedInfoFails = c.fails;
        fresh.cachedStatus = c.status;
        fresh.cachedReply = c.reply;
        fresh.Load(MakeLoader(kHardDrive));
        ASSERT_TRUE(Ended(fresh.Run(), Stop::Halted)) << c.what;
        EXPECT_EQ(fresh.written, "Error: Get BINL info failed!") << c.what;
    }
    RealModePc ok;
    ok.cachedReply = BootpReply(kServer, {}, 301);
    ok.Load(MakeLoader(kHardDrive));
    EXPECT_TRUE(Ended(ok.Run(), Stop::ReturnedToCaller));
}

class ServerAddress : public ClientTest {
protected:
    // The address the TFTP request went to, or the message shown.
    std::string Resolve(const std::vector<uint8_t>& reply, const std::vector<uint8_t>& afterReply = {}) {
        m.cachedReply = reply;
        m.tftpFiles[ImagePath("a.img")] = BootProgram(512);
        m_file = MakeLoader({{"a.img", "A", ""}});
        m.Load(m_file);
        // Whatever lay in the work buffer behind the reply must not count.
        if (!afterReply.empty()) m.Poke(WorkBuffer() + reply.size(), afterReply);
        Stop stop = m.Run();
        if (stop == Stop::BootSector) {
            char text[16];
            uint32_t ip = m.tftpServers.at(0);
            snprintf(text, sizeof text, "%u.%u.%u.%u", ip & 0xFF, ip >> 8 & 0xFF, ip >> 16 & 0xFF, ip >> 24);
            return text;
        }
        return m.written;
    }
};

TEST_F(ServerAddress, SiaddrWins) {
    EXPECT_EQ(Resolve(BootpReply(0x0302010A, {{54, 4, 9, 9, 9, 9}, {255}})), "10.1.2.3");
}

TEST_F(ServerAddress, Option54AfterPadsAndOtherOptions) {
    EXPECT_EQ(Resolve(BootpReply(0, {{0, 0, 0}, {53, 1, 5}, {1, 4, 255, 255, 255, 0}, {54, 4, 192, 168, 7, 1}, {255}})),
              "192.168.7.1");
}

TEST_F(ServerAddress, WrongCookie) {
    EXPECT_EQ(Resolve(BootpReply(0, {{54, 4, 1, 2, 3, 4}}, 548, false)), "Error: Bad Server IP from BINL!");
}

TEST_F(ServerAddress, EndOptionBeforeServerIdentifier) {
    EXPECT_EQ(Resolve(BootpReply(0, {{53, 1, 5}, {255}, {54, 4, 1, 2, 3, 4}})), "Error: Bad Server IP from BINL!");
}

// A reply without an end option: the walk stops where the returned data
// stops, even though the buffer behind it holds something that looks like
// option 54.
TEST_F(ServerAddress, OptionWalkStopsAtTheReturnedSize) {
    std::vector<uint8_t> reply = BootpReply(0, {{1, 4, 255, 255, 255, 0}, {12, 50}}, 400);
    for (size_t i = 250; i < reply.size(); ++i) reply[i] = 0;  // pads up to the end
    EXPECT_EQ(Resolve(reply, {54, 4, 6, 6, 6, 6, 255}), "Error: Bad Server IP from BINL!");
}

TEST_F(ServerAddress, Option54CutByTheEndOfTheReply) {
    std::vector<uint8_t> reply = BootpReply(0, {}, 301);
    reply[297] = 54;
    reply[298] = 4;
    reply[299] = 1;
    reply[300] = 2;
    EXPECT_EQ(Resolve(reply, {3, 4}), "Error: Bad Server IP from BINL!");
}

TEST_F(ClientTest, NoItemsIsReported) {
    ASSERT_TRUE(Ended(Boot(MakeLoader({})), Stop::Halted));
    EXPECT_EQ(m.written, "Error: no image files defined.");
}

// ---- Boot ROM adjustment ----

TEST_F(ClientTest, KtapRomIsTakenOutOfTheChainAndItsEntryMovesToTheLiveStructure) {
    m.ktapRom = true;
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::ReturnedToCaller));
    const uint32_t stale = (uint32_t(place::kKtapSeg) << 4) + place::kKtapPxenvOff;
    EXPECT_EQ(m.Dword(stale), 0u);  // "PXEN" blanked
    EXPECT_EQ(m.Dword(0x1A * 4), (uint32_t(place::kBiosSeg) << 16) | (place::kVectorBase + 4 * 0x1A));
    const uint32_t live = uint32_t(place::kPxenvSeg) << 4;
    EXPECT_EQ(m.Word(live + 0x1A), m.ktapCodeSize);
    EXPECT_EQ(m.Dword(live + 0x0A), (uint32_t(place::kKtapSeg) << 16) | place::kKtapEntry);
    EXPECT_EQ(m.Word(live + 0x18), place::kKtapSeg);
    EXPECT_EQ(m.Word(live + 0x1C), place::kKtapSeg);
    uint8_t sum = 0;
    for (uint8_t b : m.Bytes(live, m.Byte(live + 8))) sum += b;
    EXPECT_EQ(sum, 0);
    // From then on the PXE calls went to the entry point taken over.
    EXPECT_EQ(m.Dword(At(layout::LDR_PXENV_ENTRY)), (uint32_t(place::kKtapSeg) << 16) | place::kKtapEntry);
    EXPECT_EQ(m.pxeCalls.size(), 5u);
}

TEST_F(ClientTest, KtapRomWithNothingBehindItHaltsSilently) {
    m.ktapRom = true;
    m.pxeAfterUnhook = false;
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::Halted));
    EXPECT_EQ(m.written, "");
    EXPECT_TRUE(m.pxeCalls.empty());
}

TEST_F(ClientTest, NoKtapMarkLeavesTheRomAlone) {
    ASSERT_TRUE(Ended(Boot(MakeLoader(kHardDrive)), Stop::ReturnedToCaller));
    const uint32_t live = uint32_t(place::kPxenvSeg) << 4;
    auto signature = m.Bytes(live, 6);
    EXPECT_EQ(std::string(signature.begin(), signature.end()), "PXENV+");
    EXPECT_EQ(m.Dword(live + 0x0A), (uint32_t(place::kBiosSeg) << 16) | place::kPxenvEntry);
    EXPECT_EQ(m.Dword(0x1A * 4), (uint32_t(place::kBiosSeg) << 16) | (place::kVectorBase + 4 * 0x1A));
}

}  // namespace
