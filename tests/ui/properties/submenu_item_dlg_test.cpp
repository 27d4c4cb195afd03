#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>

#include "app/editor_app.h"
#include "image/image_help_route.h"
#include "imagelib/image_help_event.h"
#include "loader/loader_file.h"
#include "platform/ansi_text.h"
#include "platform/framework/html_help.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "tests/support/image_fakes.h"
#include "ui/properties/submenu_item_dlg.h"

using namespace menvolt_test;
using menvolt_test::ScriptedMessages;
using menvolt_test::WriteBytes;

namespace {

struct SubmenuItemTest : ::testing::Test {
    EntryShare share;
    ScriptedMessages messages;
    CEditorApp app;
    CSubmenuItemDlg dialog;

    void TearDown() override { framework::ClearHelpRequests(); }

    void Open(BOOL adding, const std::string& image, const std::string& description = "",
              const std::string& help = "") {
        dialog.m_adding = adding;
        dialog.m_folder = share.folder;
        dialog.m_imageFile = image;
        dialog.m_description = description;
        dialog.m_helpText = help;
        ASSERT_TRUE(dialog.Create());
    }
    bool Enabled(int id) const { return dialog.IsDlgItemEnabled(id); }
    void ClickHardDrive() { dialog.Item<QAbstractButton>(IDC_SUBMENU_HARD_DRIVE)->click(); }
    bool Closed() const { return dialog.Window()->result() == IDOK; }
};

TEST_F(SubmenuItemTest, ANewItemStartsWithoutTheBoxAndOkWaitsForDescriptionAndImage) {
    Open(TRUE, "");
    EXPECT_FALSE(dialog.IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE));
    EXPECT_TRUE(Enabled(IDC_IMAGE_FILE));
    EXPECT_TRUE(Enabled(IDC_IMAGE_BROWSE));
    EXPECT_TRUE(Enabled(IDC_IMAGE_CREATE));
    EXPECT_FALSE(Enabled(IDC_IMAGE_VIEW));
    EXPECT_FALSE(Enabled(IDOK));

    dialog.SetDlgItemText(IDC_SUBMENU_DESCRIPTION, "Memory test");
    EXPECT_FALSE(Enabled(IDOK));
    dialog.SetDlgItemText(IDC_IMAGE_FILE, "memtest.img");
    EXPECT_TRUE(Enabled(IDC_IMAGE_VIEW));
    EXPECT_TRUE(Enabled(IDOK));
    dialog.SetDlgItemText(IDC_IMAGE_FILE, "");
    EXPECT_FALSE(Enabled(IDOK));
    ClickHardDrive();
    EXPECT_TRUE(Enabled(IDOK));
    dialog.SetDlgItemText(IDC_SUBMENU_DESCRIPTION, "");
    EXPECT_FALSE(Enabled(IDOK));  // no description, whatever else is filled in
}

TEST_F(SubmenuItemTest, AnExistingItemWithoutImageOpensWithTheBoxChecked) {
    Open(FALSE, "", "Hard drive");
    EXPECT_TRUE(dialog.IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE));
    for (int id : {IDC_IMAGE_FILE, IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW}) EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDOK));

    // Unchecking with an empty name: the image rule comes last, View stays off.
    ClickHardDrive();
    EXPECT_TRUE(Enabled(IDC_IMAGE_BROWSE));
    EXPECT_TRUE(Enabled(IDC_IMAGE_CREATE));
    EXPECT_FALSE(Enabled(IDC_IMAGE_VIEW));
    EXPECT_FALSE(Enabled(IDOK));
}

TEST_F(SubmenuItemTest, AnExistingItemWithImageShowsItsTexts) {
    Open(FALSE, "dos.img", "DOS", "Starts DOS.");
    EXPECT_FALSE(dialog.IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_IMAGE_FILE), "dos.img");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SUBMENU_DESCRIPTION), "DOS");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SUBMENU_HELP_TEXT), "Starts DOS.");
    EXPECT_TRUE(Enabled(IDC_IMAGE_VIEW));
    dialog.SetDlgItemText(IDC_SUBMENU_DESCRIPTION, std::string(70, 'd'));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SUBMENU_DESCRIPTION).size(), 65u);
    dialog.SetDlgItemText(IDC_SUBMENU_HELP_TEXT, std::string(300, 'h'));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_SUBMENU_HELP_TEXT).size(), 260u);
}

TEST_F(SubmenuItemTest, TheHardDriveBoxStoresAnEmptyNameAndAsksNothing) {
    Open(FALSE, "gone.img", "Disk");
    ClickHardDrive();
    EXPECT_FALSE(Enabled(IDC_IMAGE_VIEW));  // a name is there, but the box rules
    EXPECT_FALSE(Enabled(IDC_IMAGE_FILE));
    dialog.OnOK();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(dialog.m_imageFile, "");
    EXPECT_EQ(dialog.m_description, "Disk");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SubmenuItemTest, AMissingImageIsAskedAbout) {
    Open(TRUE, "gone.img", "Gone", "help");
    messages.Answer(IDNO);
    dialog.OnOK();
    EXPECT_FALSE(Closed());
    EXPECT_EQ(dialog.m_imageFile, "gone.img");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "The specified image file does not exist.  Do you want to save this entry anyway?");

    dialog.SetDlgItemText(IDC_SUBMENU_DESCRIPTION, "Still gone");
    messages.Answer(IDYES);
    dialog.OnOK();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(dialog.m_description, "Still gone");
    EXPECT_EQ(dialog.m_imageFile, "gone.img");
}

TEST_F(SubmenuItemTest, AnExistingImageClosesWithoutAQuestion) {
    WriteBytes(share.Entry("dos.img"), {0});
    Open(TRUE, "", "DOS");
    dialog.SetDlgItemText(IDC_IMAGE_FILE, "dos.img");
    dialog.SetDlgItemText(IDC_SUBMENU_HELP_TEXT, "Starts DOS.");
    dialog.OnOK();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(dialog.m_imageFile, "dos.img");
    EXPECT_EQ(dialog.m_helpText, "Starts DOS.");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SubmenuItemTest, ANameWithAPathOrWildcardIsRefusedBeforeAnySearch) {
    WriteBytes(share.Entry("dos.img"), {0});
    Open(TRUE, "", "DOS");
    for (const char* bad : {"*.img", "..\\dos.img", "C:dos.img"}) {
        dialog.SetDlgItemText(IDC_IMAGE_FILE, bad);
        dialog.OnOK();
        EXPECT_FALSE(Closed()) << bad;
    }
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(3, "Invalid path."));
    EXPECT_EQ(dialog.m_imageFile, "");
}

TEST_F(SubmenuItemTest, EnterInTheHelpEditIsTheDialogsEnter) {
    Open(TRUE, "", "Hard drive");
    ClickHardDrive();
    auto* help = dialog.Item<QPlainTextEdit>(IDC_SUBMENU_HELP_TEXT);
    help->insertPlainText("one");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(help, &enter);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(help->toPlainText(), "one");
    EXPECT_EQ(dialog.m_helpText, "one");
}

TEST_F(SubmenuItemTest, TheClientsNameLimitCountsTheLoadersStoredServerPath) {
    WriteBytes(share.Entry("abcdefgh.img"), {0});
    dialog.m_serverPath = std::string(116, 'S') + "\\";  // 117 + 12 = 129 characters
    Open(TRUE, "abcdefgh.img", "Long");
    dialog.OnOK();
    EXPECT_FALSE(Closed());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{res::LoadString(res::IDS_NAME_TOO_LONG)});
    dialog.m_serverPath = std::string(114, 'S') + "\\";
    dialog.OnOK();
    EXPECT_TRUE(Closed());
}

TEST_F(SubmenuItemTest, EveryByteOfTheTextsReachesTheLoader) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b)
        if (!platform::IsControlByte(static_cast<unsigned char>(b))) all += static_cast<char>(b);
    LoaderFile loader;
    for (size_t at = 0; at < all.size(); at += 65) {
        CSubmenuItemDlg item;
        item.m_folder = share.folder;
        item.m_description = all.substr(at, 65);
        item.m_helpText = all;
        ASSERT_TRUE(item.Create());
        item.CheckDlgButton(IDC_SUBMENU_HARD_DRIVE, TRUE);
        item.OnOK();
        ASSERT_EQ(item.Window()->result(), IDOK);
        ASSERT_TRUE(loader.SetItem(0, item.m_imageFile, item.m_description, item.m_helpText));
        ASSERT_TRUE(loader.SaveAs(share.folder + "bytes.ldr"));
        LoaderFile back;
        ASSERT_TRUE(back.Open(share.folder + "bytes.ldr"));
        EXPECT_EQ(back.GetDescription(0), all.substr(at, 65));
        EXPECT_EQ(back.GetHelpText(0), all);
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SubmenuItemTest, EnterCannotGetPastADisabledOk) {
    Open(TRUE, "", "");
    dialog.Dispatch(IDOK, framework::BN_CLICKED, false);
    EXPECT_FALSE(Closed());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(SubmenuItemTest, WithoutAnImageFolderTheFileButtonsStayOff) {
    dialog.m_adding = FALSE;
    dialog.m_imageFile = "dos.img";
    dialog.m_description = "DOS";
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(Enabled(IDC_IMAGE_FILE));
    for (int id : {IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW}) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(SubmenuItemTest, HelpAndTheLibrarysHelpRequest) {
    Open(TRUE, "");
    dialog.Dispatch(framework::IDHELP, framework::BN_CLICKED, false);
    // The viewer's help request arrives as its event on the owner window.
    ImageHelpEvent request(1100);
    EXPECT_TRUE(QCoreApplication::sendEvent(dialog.Window(), &request));
    EXPECT_FALSE(dialog.OnWindowMessage(WM_IMAGE_HELP + 1, 0, 5));
    const auto& help = framework::HelpRequests();
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].data, 114u);
    EXPECT_EQ(help[1].data, 1100u);
}

}  // namespace
