// The menu screen cell by cell, its keys, and the way back to it after a
// failed transfer.
#include "tests/support/client_test_support.h"

#include <cstring>

#include "loader/loader_file.h"

using namespace menvolt_test;

namespace {

constexpr uint16_t kUp = 0x4800, kUpE0 = 0x48E0, kDown = 0x5000, kDownE0 = 0x50E0;
constexpr uint16_t kEnter = 0x1C0D, kSpace = 0x3920, kEscape = 0x011B, kLetterA = 0x1E61, kRight = 0x4D00;
constexpr uint8_t kNormal = 0x17, kHighlight = 0x4E;
constexpr uint16_t kColors = kHighlight << 8 | kNormal;

const std::string kLongHelp =
    "Starts the disk tools from a diskette image held in memory; the tools can check and repair the "
    "hard disk of this computer.";

std::vector<ItemStrings> ThreeItems() {
    return {{"tools.img", "Disk tools", kLongHelp}, {"net.img", "", "Network test"}, {"", "Boot from hard drive", ""}};
}

class MenuTest : public ClientTest {
protected:
    Stop Start(std::vector<uint16_t> keys, const std::vector<ItemStrings>& items = ThreeItems()) {
        m.keys.assign(keys.begin(), keys.end());
        return Boot(MakeLoader(items, kServerPath, kColors));
    }
    Stop Press(std::vector<uint16_t> keys) {
        m.keys.assign(keys.begin(), keys.end());
        return m.Run();
    }
    uint16_t Selected() const { return m.Word(At(layout::LDR_SELECTED)); }
    // Whole-row check: text from a column with one attribute.
    void ExpectCells(int row, int column, const std::string& text, uint8_t attr) {
        for (size_t i = 0; i < text.size(); ++i) {
            EXPECT_EQ(m.screen[row][column + i].ch, static_cast<uint8_t>(text[i])) << row << "," << column + i;
            EXPECT_EQ(m.screen[row][column + i].attr, attr) << row << "," << column + i;
        }
    }
};

// The whole screen against what the menu must look like with item `selected`.
void ExpectMenuScreen(const RealModePc& m, int selected) {
    Cell expected[25][80];
    for (auto& row : expected)
        for (auto& cell : row) cell = Cell{' ', kNormal};
    auto put = [&](int row, int column, const std::string& text, uint8_t attr) {
        for (size_t i = 0; i < text.size() && column + i < 80; ++i)
            expected[row][column + i] = Cell{static_cast<uint8_t>(text[i]), attr};
    };
    std::string title = "  Client Installation Wizard";
    title.resize(80, ' ');
    put(0, 0, title, kHighlight);
    std::string bar = "  [ENTER] Continue";
    bar.resize(80, ' ');
    put(24, 0, bar, kHighlight);
    put(3, 4, "Use the arrow keys to select one of the following options:", kNormal);
    const char* lines[] = {" Disk tools ", " net.img ", " Boot from hard drive "};
    for (int i = 0; i < 3; ++i) put(5 + i, 7, lines[i], i == selected ? kHighlight : kNormal);
    put(18, 4, "Description:", kNormal);
    std::string help = selected == 0 ? kLongHelp : selected == 1 ? "Network test" : "";
    std::string wrapped;
    ASSERT_TRUE(LoaderFile::WrapText(help, wrapped));
    int row = 18, column = 19;
    for (char c : wrapped) {
        if (c == '\n') {
            ++row;
            column = 4;
        } else {
            put(row, column++, std::string(1, c), kNormal);
        }
    }
    for (int r = 0; r < 25; ++r)
        for (int c = 0; c < 80; ++c) {
            ASSERT_EQ(m.screen[r][c].ch, expected[r][c].ch) << "row " << r << " column " << c;
            ASSERT_EQ(m.screen[r][c].attr, expected[r][c].attr) << "row " << r << " column " << c;
        }
}

TEST_F(MenuTest, ThreeItemMenuIsDrawnCellByCell) {
    ASSERT_TRUE(Ended(Start({}), Stop::WaitingForKey));
    EXPECT_EQ(m.videoModeSets, 1);
    ExpectMenuScreen(m, 0);
}

TEST_F(MenuTest, HelpTextRunsOnAtColumnFourOfTheNextRow) {
    std::string wrapped;
    ASSERT_TRUE(LoaderFile::WrapText(kLongHelp, wrapped));
    ASSERT_NE(wrapped.find('\n'), std::string::npos);
    ASSERT_TRUE(Ended(Start({}), Stop::WaitingForKey));
    size_t cut = wrapped.find('\n');
    ExpectCells(18, 19, wrapped.substr(0, cut), kNormal);
    ExpectCells(19, 4, wrapped.substr(cut + 1, wrapped.find('\n', cut + 1) - cut - 1), kNormal);
}

TEST_F(MenuTest, ArrowsWrapAroundBothWays) {
    ASSERT_TRUE(Ended(Start({kUp}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 2);
    ExpectMenuScreen(m, 2);
    ASSERT_TRUE(Ended(Press({kDownE0}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 0);
    ASSERT_TRUE(Ended(Press({kDown}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 1);
    ExpectMenuScreen(m, 1);
    ASSERT_TRUE(Ended(Press({kUpE0}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 0);
    ExpectMenuScreen(m, 0);
}

TEST_F(MenuTest, OtherKeysAreIgnored) {
    ASSERT_TRUE(Ended(Start({kEscape, kLetterA, kRight, 0x4BE0}), Stop::WaitingForKey));
    EXPECT_TRUE(m.keys.empty());
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(m.videoModeSets, 1);
    ExpectMenuScreen(m, 0);
}

TEST_F(MenuTest, EnterAndSpaceBothTakeTheSelection) {
    for (uint16_t take : {kEnter, kSpace}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.keys = {kUp, take};
        fresh.Load(MakeLoader(ThreeItems(), kServerPath, kColors));
        ASSERT_TRUE(Ended(fresh.Run(), Stop::ReturnedToCaller)) << take;
        EXPECT_EQ(fresh.videoModeSets, 2);  // cleared again after the menu
        EXPECT_EQ(fresh.atStop.ax, 0);
        EXPECT_EQ(fresh.pxeCalls.back().opcode, 0x0015);
    }
}

TEST_F(MenuTest, FailedTransferShowsTheMessageAndComesBackWithTheSameItem) {
    ASSERT_TRUE(Ended(Start({kDown, kEnter}), Stop::WaitingForKey));
    ASSERT_EQ(m.tftpNames.size(), 1u);
    EXPECT_EQ(m.tftpNames[0], ImagePath("net.img"));
    EXPECT_EQ(m.RowText(0).substr(0, 25), "Transferring image file..");
    EXPECT_EQ(m.Attr(0, 0), 0x07);
    EXPECT_EQ(m.RowText(1).substr(0, 43), "Error: TFTP failed transferring image file.");
    ASSERT_TRUE(Ended(Press({kLetterA}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 1);
    EXPECT_EQ(m.videoModeSets, 3);
    ExpectMenuScreen(m, 1);
}

TEST_F(MenuTest, MoreThanEightItemsShowEight) {
    std::vector<ItemStrings> items;
    for (int i = 0; i < 8; ++i) items.push_back({"i" + std::to_string(i) + ".img", "Item " + std::to_string(i), ""});
    auto file = MakeLoader(items, kServerPath, kColors);
    file[layout::LDR_HEADER + layout::HDR_ITEM_COUNT] = 9;
    m.keys = {kUp};
    m.Load(file);
    ASSERT_TRUE(Ended(m.Run(), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 7);
    EXPECT_EQ(m.Text(12, 7, 8), " Item 7 ");
    EXPECT_EQ(m.Attr(12, 8), kHighlight);
    EXPECT_EQ(m.Text(13, 0, 80), std::string(80, ' '));
}

TEST_F(MenuTest, StoredIndexIsTheStartUnlessItIsOutOfRange) {
    for (auto [stored, expected] : {std::pair<uint16_t, uint16_t>{2, 2}, {3, 0}, {0xFFFF, 0}}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        auto file = MakeLoader(ThreeItems(), kServerPath, kColors);
        file[layout::LDR_SELECTED] = uint8_t(stored);
        file[layout::LDR_SELECTED + 1] = uint8_t(stored >> 8);
        fresh.Load(file);
        ASSERT_TRUE(Ended(fresh.Run(), Stop::WaitingForKey));
        EXPECT_EQ(fresh.Word(At(layout::LDR_SELECTED)), expected) << stored;
        ExpectMenuScreen(fresh, expected);
    }
}

// The countdown on the emulated BIOS tick: seconds in the field, the default
// item at zero (across midnight too), a clamped foreign value, an
// out-of-range default, and no count in the error wait or after it.
TEST_F(MenuTest, TimeoutCountsDownToTheDefaultItem) {
    struct Case { uint16_t start, seconds; uint32_t firstTick; const char* field; };
    for (Case c : {Case{2, 2, 0x12345, " 2   "}, Case{2, 2, 0x1800B0 - 10, " 2   "}, Case{2, 65535, 0, " 3600"},
                   Case{5, 1, 0, " 1   "}}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.ticksAtPowerOn = c.firstTick;
        auto file = MakeLoader(ThreeItems(), kServerPath, kColors);
        file[layout::LDR_SELECTED] = uint8_t(c.start);
        std::memcpy(&file[layout::LDR_TIMEOUT], &c.seconds, 2);
        fresh.Load(file);
        fresh.idleTicks = 5;
        ASSERT_TRUE(Ended(fresh.Run(), Stop::WaitingForKey));
        EXPECT_EQ(fresh.Text(3, 62, 5), c.field);
        EXPECT_EQ(fresh.Attr(3, 63), kNormal);
        if (c.seconds > 2) continue;
        fresh.idleTicks = 1000;
        Stop stop = fresh.Run();
        uint32_t ticks = 1005 - fresh.idleTicks;  // 18.2 a second; the first may come at once
        EXPECT_GE(ticks, c.seconds * 182 / 10 - 1u);
        EXPECT_LE(ticks, c.seconds * 182 / 10 + 2u);
        if (c.start == 2) {
            EXPECT_TRUE(Ended(stop, Stop::ReturnedToCaller));
            EXPECT_EQ(fresh.Byte(0x470), c.firstTick > 0x180000 ? 1 : 0);
            continue;
        }
        ASSERT_TRUE(Ended(stop, Stop::WaitingForKey));  // the first item's transfer failed
        EXPECT_EQ(fresh.tftpNames, std::vector<std::string>{ImagePath("tools.img")});
        fresh.keys = {kLetterA};
        ASSERT_TRUE(Ended(fresh.Run(), Stop::WaitingForKey));
        ExpectMenuScreen(fresh, 0);
    }
}

// Any key stops the count for good and blanks the field; a digit takes its
// item at once, one beyond the items does nothing.
TEST_F(MenuTest, KeysStopTheCountAndDigitsTakeTheirItem) {
    auto file = MakeLoader(ThreeItems(), kServerPath, kColors);
    file[layout::LDR_TIMEOUT] = 1;
    m.idleTicks = 100;
    m.keys = {kDown};
    ASSERT_TRUE(Ended(Boot(file), Stop::WaitingForKey));
    ExpectMenuScreen(m, 1);
    ASSERT_TRUE(Ended(Press({0x0534 /* '4' */}), Stop::WaitingForKey));
    EXPECT_EQ(Selected(), 1);
    ASSERT_TRUE(Ended(Press({0x0433 /* '3' */}), Stop::ReturnedToCaller));
    EXPECT_EQ(Selected(), 2);
}

}  // namespace
