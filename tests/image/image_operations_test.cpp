#include <gtest/gtest.h>

#include "app/editor_app.h"
#include "image/image_file_chooser.h"
#include "image/image_operations.h"
#include "platform/framework/dialog.h"
#include "platform/framework/html_help.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "tests/support/image_fakes.h"

using namespace menvolt_test;
using menvolt_test::ReadBytes;
using menvolt_test::ScriptedMessages;
using menvolt_test::WriteBytes;

namespace {

struct OperationsTest : ::testing::Test {
    EntryShare share;
    ScriptedMessages messages;
    CEditorApp app;
};

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// ---- ImageFileExists and the name rules ------------------------------------

TEST_F(OperationsTest, ExistenceIsAFileSearchWithWildcards) {
    WriteBytes(share.Entry("Disk.img"), Bytes("x"));
    EXPECT_TRUE(ImageFileExists(share.folder + "Disk.img"));
    EXPECT_TRUE(ImageFileExists(share.folder + "DISK.IMG"));  // names match ignoring case
    EXPECT_TRUE(ImageFileExists(share.folder + "*.img"));
    EXPECT_TRUE(ImageFileExists(share.folder + "d?sk.*"));
    EXPECT_FALSE(ImageFileExists(share.folder + "*.bin"));
    EXPECT_FALSE(ImageFileExists(share.folder + "other.img"));
    // The folder alone (an empty name) matches nothing.
    EXPECT_FALSE(ImageFileExists(share.folder));
    EXPECT_FALSE(ImageFileExistsIn("", "Disk.img"));
    EXPECT_TRUE(ImageFileExistsIn(share.folder, "disk.img"));
}

TEST_F(OperationsTest, OnlyBareNamesThatFitThePathAndTheClientPass) {
    const std::string& f = share.folder;
    for (const char* good : {"disk.img", "", "my.disk", "a b.img", "disk."})
        EXPECT_EQ(ImageFileNameProblem(f, good), 0u) << good;
    for (const char* bad : {"..\\x.img", "sub\\x.img", "x/y.img", "c:x.img", "*.img", "d?sk.img", "\"q\".img", ".",
                            "..", "a|b.img", "a<b", "tab\tname"})
        EXPECT_EQ(ImageFileNameProblem(f, bad), res::IDS_INVALID_PATH) << bad;

    // The client asks for "Setup\English\Tools\Zent\i386\" + name: 30 + 97 fit 127.
    const std::string server = ServerPathOf(f);
    EXPECT_EQ(server, "Setup\\English\\Tools\\Zent\\i386\\");
    EXPECT_EQ(ImageFileNameProblem(f, std::string(127 - server.size(), 'n')), 0u);
    EXPECT_EQ(ImageFileNameProblem(f, std::string(128 - server.size(), 'n')), res::IDS_NAME_TOO_LONG);
    // Past 255 characters the full path itself is refused first.
    EXPECT_EQ(ImageFileNameProblem(f, std::string(256 - f.size(), 'n')), res::IDS_PATH_TOO_LONG);

    EXPECT_EQ(ServerPathOf("C:\\images\\"), "images\\");
    EXPECT_EQ(ServerPathOf("relative\\"), "relative\\");
    EXPECT_EQ(ServerPathOf("\\\\HOST\\Share\\"), "");

    EXPECT_FALSE(CheckImageFileName(f, "..\\boot.img"));
    ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Invalid path."});
    EXPECT_EQ(messages.shown[0].style & platform::MB_ICON_MASK, platform::MB_ICONERROR);
}

TEST_F(OperationsTest, ConfirmAsksOnlyForAMissingFile) {
    WriteBytes(share.Entry("here.img"), Bytes("x"));
    EXPECT_TRUE(ConfirmImageFile(share.folder, "here.img"));
    EXPECT_TRUE(messages.Empty());

    messages.Answer(IDNO);
    EXPECT_FALSE(ConfirmImageFile(share.folder, "gone.img"));
    messages.Answer(IDYES);
    EXPECT_TRUE(ConfirmImageFile(share.folder, ""));  // the folder alone is no file
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "The specified image file does not exist.  Do you want to save this entry anyway?");
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Application);
    EXPECT_EQ(messages.shown[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);
}

// ---- BrowseImageFile -------------------------------------------------------

struct BrowseTest : OperationsTest {
    ScriptedChooser chooser;
    std::string name = "unchanged";
};

TEST_F(BrowseTest, CancelReturnsNothing) {
    EXPECT_FALSE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(chooser.lastInitial, share.folder + "*.img");
    EXPECT_EQ(chooser.lastFilter, "Image files|*.img|All Files|*.*||");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BrowseTest, AnEmptyFolderOpensNoDialog) {
    chooser.answer = share.otherFolder + "a.img";
    EXPECT_FALSE(BrowseImageFile("", name));
    EXPECT_EQ(chooser.asked, 0);
    EXPECT_EQ(name, "unchanged");
}

TEST_F(BrowseTest, AFileInTheImageFolderIsNotCopied) {
    WriteBytes(share.Entry("boot.img"), Bytes("mine"));
    chooser.answer = share.folder + "boot.img";
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "boot.img");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(share.entryDir), {}), 1);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BrowseTest, TheImageFolderSpelledInOtherCaseIsStillTheSameFile) {
    WriteBytes(share.Entry("boot.img"), Bytes("mine"));
    chooser.answer = menvolt_test::TempShare::Unc("SETUP\\english\\TOOLS\\Zent\\I386\\boot.img");
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "boot.img");
    EXPECT_EQ(ReadBytes(share.Entry("boot.img")), Bytes("mine"));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BrowseTest, AFileElsewhereIsCopiedIn) {
    WriteBytes(share.Other("fresh.img"), Bytes("fresh bytes"));
    chooser.answer = share.otherFolder + "fresh.img";
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "fresh.img");
    EXPECT_EQ(ReadBytes(share.Entry("fresh.img")), Bytes("fresh bytes"));
    EXPECT_EQ(ReadBytes(share.Other("fresh.img")), Bytes("fresh bytes"));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BrowseTest, ADifferentFileOfThatNameIsKeptAndTheUserTold) {
    WriteBytes(share.Entry("boot.img"), Bytes("already there"));
    WriteBytes(share.Other("boot.img"), Bytes("chosen"));
    chooser.answer = share.otherFolder + "boot.img";
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "boot.img");
    EXPECT_EQ(ReadBytes(share.Entry("boot.img")), Bytes("already there"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find(share.folder + "boot.img"), std::string::npos);
}

TEST_F(BrowseTest, AnIdenticalFileOfThatNameNeedsNoWord) {
    WriteBytes(share.Entry("boot.img"), Bytes("same"));
    WriteBytes(share.Other("boot.img"), Bytes("same"));
    chooser.answer = share.otherFolder + "boot.img";
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(BrowseTest, AFailedCopyIsReportedWithTheTargetAndTheNameStillReturned) {
    chooser.answer = share.otherFolder + "vanished.img";  // the source is gone
    EXPECT_TRUE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "vanished.img");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              std::string(res::LoadString(res::IDS_COPY_FAILED)) + "\n\n" + share.folder + "vanished.img");
    EXPECT_FALSE(std::filesystem::exists(share.Entry("vanished.img")));
}

TEST_F(BrowseTest, ANameTheItemCannotCarryIsRefusedBeforeCopying) {
    const std::string longName = std::string(120, 'n') + ".img";
    WriteBytes(share.Other(longName), Bytes("long"));
    chooser.answer = share.otherFolder + longName;
    EXPECT_FALSE(BrowseImageFile(share.folder, name));
    EXPECT_EQ(name, "unchanged");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{res::LoadString(res::IDS_NAME_TOO_LONG)});
    EXPECT_FALSE(std::filesystem::exists(share.Entry(longName)));
}

TEST(ToolkitFilter, BecomesTheToolkitsFilterList) {
    EXPECT_EQ(image::ToolkitFilter("Image files|*.img|All Files|*.*||"), "Image files (*.img);;All Files (*)");
    EXPECT_EQ(image::ToolkitFilter("Two|*.a;*.b||"), "Two (*.a *.b)");
}

// ---- ViewImageFile and the View button -------------------------------------

struct ViewTest : OperationsTest {
    RecordingLibrary library;
    framework::CDialog page{res::IDD_EDIT_IMAGE_PAGE};
    void SetUp() override { ASSERT_TRUE(page.Create()); }
    void TearDown() override { framework::ClearHelpRequests(); }
};

TEST_F(ViewTest, AMissingFileIsReportedAndTheLibraryNotCalled) {
    EXPECT_EQ(ViewImageFile(&page, share.folder + "gone.img"), 0);
    EXPECT_TRUE(library.views.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::ErrorBox);
    EXPECT_EQ(messages.shown[0].text, "Image file not found.");
}

TEST_F(ViewTest, AnExistingFileGoesToTheLibraryByItsHostPath) {
    WriteBytes(share.Entry("Boot.img"), Bytes("x"));
    library.result = 0;
    EXPECT_EQ(ViewImageFile(&page, share.folder + "boot.img"), 0);
    ASSERT_EQ(library.views.size(), 1u);
    const ImageViewRequest& r = library.views[0];
    EXPECT_EQ(r.size, sizeof(ImageViewRequest));
    EXPECT_EQ(r.owner, page.GetSafeHwnd());
    EXPECT_EQ(r.fixed, 0x401u);
    EXPECT_EQ(library.viewPaths[0], share.Entry("Boot.img").string());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(ViewTest, TheLibrarysRefusalIsSaidAndReturned) {
    WriteBytes(share.Entry("text.img"), Bytes("not an image"));
    library.result = KTIMG_ERR_OPEN;
    EXPECT_EQ(ViewImageFile(&page, share.folder + "text.img"), KTIMG_ERR_OPEN);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Unrecognized image file format."});
}

TEST_F(ViewTest, APathOver255CharactersIsRefusedBeforeAnySearch) {
    std::string path = share.folder + std::string(256 - share.folder.size(), 'x');
    EXPECT_EQ(ViewImageFile(&page, path), 0);
    EXPECT_TRUE(library.views.empty());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The path is longer than 255 characters."});
}

TEST_F(ViewTest, TheViewButtonRefusesAnythingButABareName) {
    WriteBytes(share.otherDir.parent_path() / "up.img", Bytes("x"));
    page.SetDlgItemText(IDC_IMAGE_FILE, "..\\..\\..\\..\\..\\up.img");
    OnViewImageButton(page, share.folder);
    page.SetDlgItemText(IDC_IMAGE_FILE, "*.img");
    OnViewImageButton(page, share.folder);
    EXPECT_TRUE(library.views.empty());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Invalid path.", "Invalid path."}));

    messages.shown.clear();
    WriteBytes(share.Entry("ok.img"), Bytes("x"));
    page.SetDlgItemText(IDC_IMAGE_FILE, "ok.img");
    OnViewImageButton(page, "");  // no image folder: nothing happens
    EXPECT_TRUE(library.views.empty());
    OnViewImageButton(page, share.folder);
    EXPECT_EQ(library.views.size(), 1u);
    EXPECT_TRUE(messages.Empty());
}

}  // namespace
