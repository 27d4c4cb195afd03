// The preview's screen against the client program's own screen: the same
// loader file drawn by the model and run on the emulated PC.
#include <gtest/gtest.h>

#include "loader/loader_file.h"
#include "loader/client_screen.h"
#include "ui/common/client_screen_view.h"

#ifdef MENVOLT_HAVE_CLIENT_BENCH
#include "tests/support/client_test_support.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"
#include "tests/support/test_support.h"
#endif

namespace {

// A loader as the editor writes it: banner, colours, a long help text that
// wraps, an item known only by its image name, a code-page-437 character.
LoaderFile SampleLoader() {
    LoaderFile loader;
    loader.SetTitle("Rescue \x82 tools");
    loader.SetColors(0x3E1C);
    loader.SetServerPath("Setup\\English\\Tools\\Zent\\i386\\");
    loader.SetItem(0, "tools.img", "Disk tools",
                   "Starts the disk tools from a diskette image held in memory; the tools can check and repair the "
                   "hard disk of this computer, and more text that runs on to the next lines of the help area.");
    loader.SetItem(1, "net.img", "", "Network test");
    loader.SetItem(2, "", "Boot from hard drive", "");
    return loader;
}

TEST(ClientScreen, DrawsTheMenuByTheClientsRules) {
    LoaderFile loader = SampleLoader();
    ClientScreen screen = DrawMenuScreen(loader, 1);
    std::string title = "  Rescue \x82 tools";
    title.resize(80, ' ');
    EXPECT_EQ(screen.RowText(0), title);
    EXPECT_EQ(screen.cells[0][79].attr, 0x3E);
    EXPECT_EQ(screen.RowText(24).substr(0, 18), "  [ENTER] Continue");
    EXPECT_EQ(screen.RowText(3).substr(4, 10), "Use the ar");
    EXPECT_EQ(screen.RowText(5).substr(7, 12), " Disk tools ");
    EXPECT_EQ(screen.cells[5][8].attr, 0x1C);
    // An item without a description shows its image name, highlighted when selected.
    EXPECT_EQ(screen.RowText(6).substr(7, 9), " net.img ");
    EXPECT_EQ(screen.cells[6][7].attr, 0x3E);
    EXPECT_EQ(screen.cells[6][16].attr, 0x1C);
    EXPECT_EQ(screen.RowText(18).substr(4, 12), "Description:");
    EXPECT_EQ(screen.RowText(18).substr(19, 12), "Network test");

    // The first item's help wraps: further lines start at column 4.
    ClientScreen first = DrawMenuScreen(loader, 0);
    EXPECT_EQ(first.RowText(18).substr(19, 6), "Starts");
    EXPECT_NE(first.cells[19][4].ch, ' ');
    EXPECT_EQ(first.cells[19][3].ch, ' ');
}

TEST(ClientScreen, GlyphsAndColoursAreThoseOfTheVgaTextMode) {
    EXPECT_EQ(Cp437ToUnicode('A'), U'A');
    EXPECT_EQ(Cp437ToUnicode(0x82), U'\u00E9');
    EXPECT_EQ(Cp437ToUnicode(0xC9), U'\u2554');
    EXPECT_EQ(Cp437ToUnicode(0xDB), U'\u2588');
    EXPECT_EQ(Cp437ToUnicode(0x01), U'\u263A');
    EXPECT_EQ(VgaColour(6), 0xAA5500u);  // brown, not dark yellow
    EXPECT_EQ(VgaColour(14), 0xFFFF55u);
}

TEST(ClientScreen, ViewPaintsCellColours) {
    LoaderFile loader = SampleLoader();
    ClientScreenView view(nullptr, 4, 8);
    view.SetScreen(DrawMenuScreen(loader, 0));
    QImage image = view.Render();
    ASSERT_EQ(image.size(), QSize(320, 200));
    // Row 10 is empty: normal background Blue; row 0 is the Cyan title bar.
    EXPECT_EQ(image.pixelColor(2, 10 * 8 + 4).rgb() & 0xFFFFFF, VgaColour(1));
    EXPECT_EQ(image.pixelColor(79 * 4 + 1, 1).rgb() & 0xFFFFFF, VgaColour(3));
}

#ifdef MENVOLT_HAVE_CLIENT_BENCH
class PreviewAgainstClient : public menvolt_test::ClientTest {};

void ExpectSameScreen(const menvolt_test::RealModePc& m, const ClientScreen& preview) {
    int differences = 0;
    for (int r = 0; r < ClientScreen::kRows; ++r)
        for (int c = 0; c < ClientScreen::kColumns; ++c) {
            const auto& cell = m.screen[r][c];
            if (cell.ch != preview.cells[r][c].ch || cell.attr != preview.cells[r][c].attr) {
                if (++differences <= 5)
                    ADD_FAILURE() << "cell " << r << "," << c << ": client " << int(cell.ch) << "/" << int(cell.attr)
                                  << ", preview " << int(preview.cells[r][c].ch) << "/"
                                  << int(preview.cells[r][c].attr);
            }
        }
    EXPECT_EQ(differences, 0);
}

TEST_F(PreviewAgainstClient, PreviewMatchesTheEmulatedClientScreen) {
    LoaderFile loader = SampleLoader();
    ASSERT_TRUE(loader.SetTimeout(25));  // the count stands at 25 until a key
    // The file exactly as a save writes it.
    menvolt_test::TempShare share;
    ASSERT_TRUE(loader.SaveAs(menvolt_test::TempShare::Unc("x.ldr")));
    const std::vector<uint8_t> file = menvolt_test::ReadBytes(share / "x.ldr");
    ASSERT_TRUE(Ended(Boot(file), menvolt_test::Stop::WaitingForKey));
    ExpectSameScreen(m, DrawMenuScreen(loader, 0));
    loader.SetTimeout(0);      // a key blanks the count
    m.keys.push_back(0x5000);  // down arrow
    ASSERT_TRUE(Ended(m.Run(), menvolt_test::Stop::WaitingForKey));
    ExpectSameScreen(m, DrawMenuScreen(loader, 1));
    m.keys.push_back(0x5000);
    ASSERT_TRUE(Ended(m.Run(), menvolt_test::Stop::WaitingForKey));
    ExpectSameScreen(m, DrawMenuScreen(loader, 2));
}
#endif

}  // namespace
