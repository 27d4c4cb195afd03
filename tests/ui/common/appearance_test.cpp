// The Submenu Screen Appearance dialog and its preview.
#include <gtest/gtest.h>

#include "loader/loader_file.h"
#include "platform/framework/dialog_units.h"
#include "res/resource.h"
#include "tests/support/test_support.h"
#include "ui/common/appearance_dlg.h"
#include "ui/common/client_screen_view.h"

using namespace framework;

namespace {

struct AppearanceTest : ::testing::Test {
    menvolt_test::ScriptedMessages messages;
    LoaderFile loader;
    CAppearanceDlg dialog{&loader};

    void Choose(int id, int index) {
        dialog.SetCurSel(id, index);
        dialog.Dispatch(id, CBN_SELCHANGE, false);
    }
    std::vector<int> Selection() const {
        return {dialog.GetCurSel(IDC_NORMAL_BACKGROUND), dialog.GetCurSel(IDC_NORMAL_TEXT),
                dialog.GetCurSel(IDC_HIGHLIGHT_BACKGROUND), dialog.GetCurSel(IDC_HIGHLIGHT_TEXT)};
    }
};

TEST_F(AppearanceTest, NewLoaderOpensGrayOnBlackAndOkKeepsTheColours) {
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetWindowText(), "Submenu Screen Appearance");
    EXPECT_EQ(dialog.GetItemCount(IDC_NORMAL_BACKGROUND), 8);
    EXPECT_EQ(dialog.GetItemCount(IDC_NORMAL_TEXT), 16);
    EXPECT_EQ(dialog.GetItemText(IDC_NORMAL_TEXT, 13), "Bright Purple");
    EXPECT_EQ(dialog.GetItemText(IDC_HIGHLIGHT_BACKGROUND, 7), "Gray");
    EXPECT_EQ(Selection(), (std::vector<int>{0, 7, 7, 0}));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_APPEARANCE_BANNER), "Client Installation Wizard");
    dialog.Dispatch(IDOK, BN_CLICKED, false);
    EXPECT_EQ(loader.GetColors(), 0x7007);
}

TEST_F(AppearanceTest, ChoicesMakeTheColourWord) {
    ASSERT_TRUE(dialog.Create());
    Choose(IDC_NORMAL_BACKGROUND, 1);      // Blue
    Choose(IDC_NORMAL_TEXT, 12);           // Bright Red
    Choose(IDC_HIGHLIGHT_BACKGROUND, 3);   // Cyan
    Choose(IDC_HIGHLIGHT_TEXT, 14);        // Yellow
    dialog.SetDlgItemText(IDC_APPEARANCE_BANNER, "Rescue tools");
    // The preview follows before anything is stored.
    EXPECT_EQ(dialog.Preview()->Screen().cells[0][2].ch, 'R');
    EXPECT_EQ(dialog.Preview()->Screen().cells[0][2].attr, 0x3E);
    EXPECT_EQ(dialog.Preview()->Screen().cells[10][40].attr, 0x1C);
    EXPECT_EQ(loader.GetColors(), 0x7007);
    // The preview is a window of its own: the dialog keeps its template size.
    const BaseUnits units = DialogBaseUnits();
    EXPECT_EQ(dialog.Window()->size(), QSize(DluToPixelsX(184, units), DluToPixelsY(140, units)));
    dialog.Dispatch(IDOK, BN_CLICKED, false);
    EXPECT_EQ(loader.GetColors(), 0x3E1C);
    EXPECT_EQ(loader.GetTitle(), "Rescue tools");
}

TEST_F(AppearanceTest, BlinkBackgroundsShowAsBlackAndAreStoredAsBlack) {
    loader.SetColors(0xF09C);  // backgrounds 15 and 9: blink bit set
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(Selection(), (std::vector<int>{0, 12, 0, 0}));
    dialog.Dispatch(IDOK, BN_CLICKED, false);
    EXPECT_EQ(loader.GetColors(), 0x000C);
}

TEST_F(AppearanceTest, BannerLimitEmptyBannerAndCancel) {
    ASSERT_TRUE(dialog.Create());
    dialog.SetDlgItemText(IDC_APPEARANCE_BANNER, std::string(76, 'b'));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_APPEARANCE_BANNER).size(), 75u);
    dialog.SetDlgItemText(IDC_APPEARANCE_BANNER, "");
    dialog.Dispatch(IDOK, BN_CLICKED, false);
    EXPECT_EQ(loader.GetTitle(), "");
    const uint8_t* title = loader.Data() + (loader.Data()[loader.HeaderOffset() + 0x0A] |
                                            loader.Data()[loader.HeaderOffset() + 0x0B] << 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(title)), std::string(80, ' '));

    LoaderFile other;
    const std::vector<uint8_t> before(other.Data(), other.Data() + other.Length());
    CAppearanceDlg cancelled(&other);
    ASSERT_TRUE(cancelled.Create());
    cancelled.SetDlgItemText(IDC_APPEARANCE_BANNER, "Changed");
    cancelled.SetCurSel(IDC_NORMAL_TEXT, 3);
    cancelled.Dispatch(IDC_NORMAL_TEXT, CBN_SELCHANGE, false);
    cancelled.Dispatch(IDCANCEL, BN_CLICKED, false);
    EXPECT_EQ(std::vector<uint8_t>(other.Data(), other.Data() + other.Length()), before);
}

}  // namespace
