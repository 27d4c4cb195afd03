#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>

#include "app/editor_app.h"
#include "image/create_image_dlg.h"
#include "image/image_operations.h"
#include "image/image_settings_dlg.h"
#include "platform/framework/html_help.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "tests/support/image_fakes.h"

using namespace menvolt_test;
using menvolt_test::ReadBytes;
using menvolt_test::ScriptedMessages;
using menvolt_test::WriteBytes;

namespace {

struct CreateDialogTest : ::testing::Test {
    EntryShare share;
    ScriptedMessages messages;
    CEditorApp app;
    RecordingLibrary library;

    void TearDown() override { framework::ClearHelpRequests(); }

    // Opens a dialog, types the name and presses OK; true when it closed.
    static bool TypeAndOk(CCreateImageDlg& dialog, const std::string& name) {
        dialog.SetDlgItemText(IDC_CREATE_NAME, name);
        dialog.OnOK();
        return dialog.Window()->result() == IDOK;
    }
    static void Click(framework::CDialog& dialog, int id) { dialog.Dispatch(id, framework::BN_CLICKED, false); }
};

TEST_F(CreateDialogTest, ANameWithoutADotGetsImg) {
    for (auto [typed, stored] : {std::pair{"disk", "disk.img"}, {"disk.bin", "disk.bin"}, {"my.disk", "my.disk"},
                                 {"disk.", "disk."}}) {
        CCreateImageDlg dialog(share.folder);
        ASSERT_TRUE(dialog.Create());
        EXPECT_TRUE(TypeAndOk(dialog, typed)) << typed;
        EXPECT_EQ(dialog.m_fileName, stored);
        EXPECT_EQ(library.createPaths.back(), share.Entry(stored).string());
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(CreateDialogTest, TheRequestCarriesTheFixedFieldsAndAlways0x100) {
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(TypeAndOk(dialog, "disk"));
    ASSERT_EQ(library.creates.size(), 1u);
    const ImageCreateRequest& r = library.creates[0];
    EXPECT_EQ(r.size, sizeof(ImageCreateRequest));
    EXPECT_EQ(r.owner, dialog.GetSafeHwnd());
    EXPECT_EQ(r.fixed, 1u);
    EXPECT_EQ(r.options, 0x100u);
    EXPECT_EQ(r.capacity, 0u);
    EXPECT_EQ(r.reserved1 | r.reserved2 | r.reserved3, 0u);
}

TEST_F(CreateDialogTest, AnEmptyNameIsRefusedInABoxOfTheDialog) {
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    EXPECT_FALSE(TypeAndOk(dialog, ""));
    EXPECT_TRUE(library.creates.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Please specify an image file name.");
    EXPECT_EQ(messages.shown[0].caption, "Create Boot Image File");
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Owned);
    EXPECT_EQ(messages.shown[0].style, platform::MB_ICONERROR);
}

TEST_F(CreateDialogTest, NamesThatLeaveTheFolderOrOverrunAreRefusedBeforeTheLibrary) {
    const std::string tooLongForClient(100, 'c');
    const std::string tooLongForPath(260, 'p');
    for (auto [typed, text] : {std::pair{"..\\escape", "Invalid path."},
                               {"c:boot", "Invalid path."},
                               {"*.img", "Invalid path."},
                               {"\"quoted\"", "Invalid path."},
                               {"..", "Invalid path."},
                               {tooLongForClient.c_str(), res::LoadString(res::IDS_NAME_TOO_LONG)},
                               {tooLongForPath.c_str(), "The path is longer than 255 characters."}}) {
        messages.shown.clear();
        CCreateImageDlg dialog(share.folder);
        ASSERT_TRUE(dialog.Create());
        EXPECT_FALSE(TypeAndOk(dialog, typed)) << typed;
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{text}) << typed;
    }
    EXPECT_TRUE(library.creates.empty());
}

TEST_F(CreateDialogTest, AFailedCreateKeepsTheDialogOpenWithNameAndOptions) {
    library.result = KTIMG_ERR_WRITE;
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    dialog.m_request.capacity = 4;
    EXPECT_FALSE(TypeAndOk(dialog, "disk"));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_CREATE_NAME), "disk");
    EXPECT_EQ(dialog.m_request.capacity, 4u);
    EXPECT_EQ(dialog.m_fileName, "");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(share.folder + "disk.img"), std::string::npos);
}

TEST_F(CreateDialogTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysYes) {
    WriteBytes(share.Entry("disk.img"), {1, 2, 3});
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    messages.Answer(IDNO);
    EXPECT_FALSE(TypeAndOk(dialog, "DISK"));
    EXPECT_TRUE(library.creates.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);

    messages.Answer(IDYES);
    EXPECT_TRUE(TypeAndOk(dialog, "DISK"));
    EXPECT_EQ(library.createPaths.size(), 1u);
    // A folder of that name is no file to replace.
    std::filesystem::create_directory(share.Entry("sub.img"));
    CCreateImageDlg other(share.folder);
    ASSERT_TRUE(other.Create());
    EXPECT_FALSE(TypeAndOk(other, "sub.img"));
    EXPECT_EQ(messages.Texts().back(), "Invalid path.");
}

TEST_F(CreateDialogTest, AFolderOutsideTheShareOrEmptyIsRefused) {
    CCreateImageDlg missing(menvolt_test::TempShare::Unc("Setup\\Nowhere\\"));
    ASSERT_TRUE(missing.Create());
    EXPECT_FALSE(TypeAndOk(missing, "disk"));
    CCreateImageDlg empty("");
    ASSERT_TRUE(empty.Create());
    EXPECT_FALSE(TypeAndOk(empty, "disk"));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Invalid path.", "Invalid path."}));
    EXPECT_TRUE(library.creates.empty());
    std::string name = "kept";
    EXPECT_FALSE(CreateImageFile("", name));
    EXPECT_EQ(name, "kept");
}

// ---- Advanced Image Settings -----------------------------------------------

struct SettingsTest : CreateDialogTest {
    ImageCreateRequest request{};
};

TEST_F(SettingsTest, ExtendedCapacityComesFromTheSelectedEntry) {
    CImageSettingsDlg settings(request);
    ASSERT_TRUE(settings.Create());
    ASSERT_EQ(settings.GetItemCount(IDC_SETTINGS_CAPACITY), 8);
    EXPECT_EQ(settings.GetItemText(IDC_SETTINGS_CAPACITY, 0), "2 MB");
    EXPECT_EQ(settings.GetItemText(IDC_SETTINGS_CAPACITY, 7), "16 MB");
    EXPECT_TRUE(settings.IsDlgButtonChecked(IDC_SETTINGS_NORMAL));
    EXPECT_FALSE(settings.IsDlgItemEnabled(IDC_SETTINGS_CAPACITY));
    EXPECT_FALSE(settings.IsDlgItemEnabled(IDC_SETTINGS_KEEP_BASE));

    settings.Item<QAbstractButton>(IDC_SETTINGS_EXTENDED)->click();
    EXPECT_TRUE(settings.IsDlgItemEnabled(IDC_SETTINGS_CAPACITY));
    EXPECT_FALSE(settings.IsDlgButtonChecked(IDC_SETTINGS_NORMAL));
    ASSERT_EQ(settings.SelectString(IDC_SETTINGS_CAPACITY, "8 MB"), 3);
    settings.OnOK();
    EXPECT_EQ(request.capacity, 8u);

    // Normal capacity gives 0 whatever the list shows.
    CImageSettingsDlg again(request);
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(again.GetCurSel(IDC_SETTINGS_CAPACITY), 3);
    again.Item<QAbstractButton>(IDC_SETTINGS_NORMAL)->click();
    EXPECT_FALSE(again.IsDlgItemEnabled(IDC_SETTINGS_CAPACITY));
    again.OnOK();
    EXPECT_EQ(request.capacity, 0u);
}

TEST_F(SettingsTest, BaseCodeGoesOnlyWithUndi) {
    CImageSettingsDlg settings(request);
    ASSERT_TRUE(settings.Create());
    auto* undi = settings.Item<QAbstractButton>(IDC_SETTINGS_KEEP_UNDI);
    auto* base = settings.Item<QAbstractButton>(IDC_SETTINGS_KEEP_BASE);
    undi->click();
    EXPECT_TRUE(base->isEnabled());
    base->click();
    settings.OnOK();
    EXPECT_EQ(request.options, 0x600u);

    CImageSettingsDlg reopened(request);
    ASSERT_TRUE(reopened.Create());
    EXPECT_TRUE(reopened.IsDlgButtonChecked(IDC_SETTINGS_KEEP_UNDI));
    EXPECT_TRUE(reopened.IsDlgButtonChecked(IDC_SETTINGS_KEEP_BASE));
    reopened.Item<QAbstractButton>(IDC_SETTINGS_KEEP_UNDI)->click();  // unchecks UNDI
    EXPECT_FALSE(reopened.IsDlgButtonChecked(IDC_SETTINGS_KEEP_BASE));
    EXPECT_FALSE(reopened.IsDlgItemEnabled(IDC_SETTINGS_KEEP_BASE));
    reopened.OnOK();
    EXPECT_EQ(request.options, 0u);

    // A request with base code but no UNDI opens with base code off.
    request.options = KTIMG_OPTION_KEEP_BASE;
    CImageSettingsDlg odd(request);
    ASSERT_TRUE(odd.Create());
    EXPECT_FALSE(odd.IsDlgButtonChecked(IDC_SETTINGS_KEEP_BASE));
    EXPECT_FALSE(odd.IsDlgItemEnabled(IDC_SETTINGS_KEEP_BASE));
}

TEST_F(SettingsTest, CancelChangesNothing) {
    request.capacity = 6;
    request.options = KTIMG_OPTION_KEEP_UNDI;
    CImageSettingsDlg settings(request);
    ASSERT_TRUE(settings.Create());
    settings.Item<QAbstractButton>(IDC_SETTINGS_NORMAL)->click();
    settings.Item<QAbstractButton>(IDC_SETTINGS_KEEP_UNDI)->click();
    settings.OnCancel();
    EXPECT_EQ(request.capacity, 6u);
    EXPECT_EQ(request.options, KTIMG_OPTION_KEEP_UNDI);
}

TEST_F(CreateDialogTest, AdvancedEditsTheDialogsRequestAndANewDialogStartsAfresh) {
    auto* previous = CCreateImageDlg::s_runSettings;
    // The settings dialog runs on the Create dialog's own request: choose 16 MB
    // with both options the first time, look at what the second opening shows.
    static std::vector<std::string> seen;
    seen.clear();
    CCreateImageDlg::s_runSettings = [](CCreateImageDlg& owner) -> int {
        CImageSettingsDlg settings(owner.m_request, owner.Window());
        settings.Create();
        seen.push_back(settings.GetDlgItemText(IDC_SETTINGS_CAPACITY) +
                       (settings.IsDlgButtonChecked(IDC_SETTINGS_EXTENDED) ? " extended" : " normal"));
        settings.Item<QAbstractButton>(IDC_SETTINGS_EXTENDED)->click();
        settings.SetCurSel(IDC_SETTINGS_CAPACITY, 7);
        if (!settings.IsDlgButtonChecked(IDC_SETTINGS_KEEP_UNDI))
            settings.Item<QAbstractButton>(IDC_SETTINGS_KEEP_UNDI)->click();
        settings.OnOK();
        return IDOK;
    };
    {
        CCreateImageDlg dialog(share.folder);
        ASSERT_TRUE(dialog.Create());
        Click(dialog, IDC_CREATE_ADVANCED);
        Click(dialog, IDC_CREATE_ADVANCED);
        ASSERT_TRUE(TypeAndOk(dialog, "big"));
        EXPECT_EQ(library.creates.back().capacity, 16u);
        EXPECT_EQ(library.creates.back().options, 0x300u);
    }
    CCreateImageDlg::s_runSettings = previous;
    EXPECT_EQ(seen, (std::vector<std::string>{"2 MB normal", "16 MB extended"}));

    CCreateImageDlg fresh(share.folder);
    ASSERT_TRUE(fresh.Create());
    EXPECT_EQ(fresh.m_request.capacity, 0u);
    EXPECT_EQ(fresh.m_request.options, 0u);
    EXPECT_EQ(fresh.GetDlgItemText(IDC_CREATE_NAME), "");
}

TEST_F(CreateDialogTest, HelpButtonsShowTheirContexts) {
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    Click(dialog, framework::IDHELP);
    ImageCreateRequest request{};
    CImageSettingsDlg settings(request);
    ASSERT_TRUE(settings.Create());
    Click(settings, framework::IDHELP);
    const auto& help = framework::HelpRequests();
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].data, 7u);
    EXPECT_EQ(help[1].data, 8u);
}

// ---- Through the real modal loop and the real library ----------------------

struct RealLibraryTest : ::testing::Test {
    EntryShare share;
    ScriptedMessages messages;
    CEditorApp app;
};

TEST_F(RealLibraryTest, CreateImageFileMakesADisketteThatFsckAccepts) {
    std::string name;
    BOOL created = FALSE;
    {
        ModalCloser closer([](framework::CDialog& dialog) {
            dialog.SetDlgItemText(IDC_CREATE_NAME, "floppy");
            dialog.Dispatch(IDOK, framework::BN_CLICKED, false);
        });
        created = CreateImageFile(share.folder, name);
        EXPECT_TRUE(closer.Acted());
    }
    ASSERT_TRUE(created);
    EXPECT_EQ(name, "floppy.img");
    ASSERT_TRUE(std::filesystem::exists(share.Entry("floppy.img")));
    EXPECT_EQ(std::filesystem::file_size(share.Entry("floppy.img")), 1474560u);
    std::string report;
    EXPECT_TRUE(FsckClean(share.Entry("floppy.img"), &report)) << report;
    EXPECT_TRUE(messages.Empty());
}

TEST_F(RealLibraryTest, AdvancedChoicesReachTheLibrarysExtendedImage) {
    CCreateImageDlg dialog(share.folder);
    ASSERT_TRUE(dialog.Create());
    {
        CImageSettingsDlg settings(dialog.m_request, dialog.Window());
        ASSERT_TRUE(settings.Create());
        settings.Item<QAbstractButton>(IDC_SETTINGS_EXTENDED)->click();
        settings.SetCurSel(IDC_SETTINGS_CAPACITY, 0);
        settings.Item<QAbstractButton>(IDC_SETTINGS_KEEP_UNDI)->click();
        settings.OnOK();
    }
    dialog.SetDlgItemText(IDC_CREATE_NAME, "extended");
    dialog.OnOK();
    ASSERT_EQ(dialog.Window()->result(), IDOK);
    std::vector<uint8_t> bytes = ReadBytes(share.Entry("extended.img"));
    ASSERT_GT(bytes.size(), 0x20u);
    auto word = [&](size_t at) { return static_cast<size_t>(bytes[at] | (bytes[at + 1] << 8)); };
    EXPECT_EQ(std::string(bytes.begin() + 0x0E, bytes.begin() + 0x12), "ExTx");
    EXPECT_EQ(word(0x0C), 2048u);  // 2 MB of disk data
    EXPECT_TRUE(word(0x12) & KTIMG_OPTION_KEEP_UNDI);
    EXPECT_FALSE(word(0x12) & KTIMG_OPTION_KEEP_BASE);
    const size_t volume = word(0x0A);
    ASSERT_EQ(bytes.size(), volume + 2048u * 1024u);
    WriteBytes(share.Other("volume.bin"), std::vector<uint8_t>(bytes.begin() + static_cast<long>(volume), bytes.end()));
    std::string report;
    EXPECT_TRUE(FsckClean(share.Other("volume.bin"), &report)) << report;
}

TEST_F(RealLibraryTest, CancelCreatesNothing) {
    std::string name = "kept";
    BOOL created = TRUE;
    {
        ModalCloser closer([](framework::CDialog& dialog) {
            dialog.SetDlgItemText(IDC_CREATE_NAME, "never");
            dialog.Dispatch(IDCANCEL, framework::BN_CLICKED, false);
        });
        created = CreateImageFile(share.folder, name);
    }
    EXPECT_FALSE(created);
    EXPECT_EQ(name, "kept");
    EXPECT_TRUE(std::filesystem::is_empty(share.entryDir));
}

}  // namespace
