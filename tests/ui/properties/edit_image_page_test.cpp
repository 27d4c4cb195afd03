#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimer>

#include "app/editor_app.h"
#include "imagelib/image_help_event.h"
#include "loader/loader_file.h"
#include "platform/framework/html_help.h"
#include "platform/framework/property_sheet.h"
#include "res/resource.h"
#include "tests/support/image_fakes.h"
#include "ui/properties/edit_image_page.h"

using namespace menvolt_test;
using menvolt_test::ScriptedMessages;
using menvolt_test::WriteBytes;

namespace {

struct EditImagePageTest : ::testing::Test {
    EntryShare share;
    ScriptedMessages messages;
    CEditorApp app;
    RecordingLibrary library;
    LoaderFile loader;
    CEditImagePage page;

    void SetUp() override {
        ASSERT_TRUE(loader.SetItem(0, "dos.img", "", ""));
        ASSERT_TRUE(loader.SaveAs(share.folder + "tool0.ldr"));
        messages.shown.clear();
        page.m_pLoader = &loader;
    }
    void TearDown() override { framework::ClearHelpRequests(); }
};

TEST_F(EditImagePageTest, ShowsItem0AndStoresTheEditWhenLeft) {
    WriteBytes(share.Entry("dos.img"), {0});
    WriteBytes(share.Entry("linux.img"), {0});
    ASSERT_TRUE(page.Create());
    EXPECT_EQ(page.GetTabTitle(), "Image");
    EXPECT_EQ(page.GetDlgItemText(IDC_IMAGE_FILE), "dos.img");
    EXPECT_EQ(page.GetDlgItemText(IDC_IMAGE_LABEL), "Boot &image file:");
    page.SetDlgItemText(IDC_IMAGE_FILE, "linux.img");
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_EQ(loader.GetImageFile(0), "linux.img");
    EXPECT_EQ(loader.GetItemCount(), 1);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(EditImagePageTest, AMissingFileIsAskedAboutAndNoKeepsThePage) {
    ASSERT_TRUE(page.Create());
    page.SetDlgItemText(IDC_IMAGE_FILE, "gone.img");
    messages.Answer(IDNO);
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(loader.GetImageFile(0), "gone.img");  // already stored, as typed
    messages.Answer(IDYES);
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>(
                                    2, "The specified image file does not exist.  Do you want to save this entry anyway?"));

    // An empty name is no file either.
    messages.shown.clear();
    page.SetDlgItemText(IDC_IMAGE_FILE, "");
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(EditImagePageTest, ANameThatIsNoBareNameIsNeitherStoredNorSearched) {
    WriteBytes(share.Entry("dos.img"), {0});
    ASSERT_TRUE(page.Create());
    page.SetDlgItemText(IDC_IMAGE_FILE, "*.img");
    EXPECT_FALSE(page.OnKillActive());
    EXPECT_EQ(loader.GetImageFile(0), "dos.img");
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Invalid path."});
}

TEST_F(EditImagePageTest, ALoadErrorReplacesTheControls) {
    loader.m_error = res::IDS_NO_IMAGE_FILE;
    ASSERT_TRUE(page.Create());
    EXPECT_EQ(page.GetDlgItemText(IDC_IMAGE_LABEL), "No image file specified.");
    for (int id : {IDC_IMAGE_FILE, IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW})
        EXPECT_FALSE(page.IsDlgItemVisible(id)) << id;
    EXPECT_TRUE(page.OnKillActive());
    EXPECT_EQ(loader.GetImageFile(0), "dos.img");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(EditImagePageTest, ALoaderWithoutAPathOffersNoFileButtons) {
    LoaderFile fresh;
    page.m_pLoader = &fresh;
    ASSERT_TRUE(page.Create());
    for (int id : {IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW}) EXPECT_FALSE(page.IsDlgItemEnabled(id)) << id;
    EXPECT_TRUE(page.IsDlgItemEnabled(IDC_IMAGE_FILE));
}

TEST_F(EditImagePageTest, ViewHandsThePageToTheLibraryAndHelpComesBack) {
    WriteBytes(share.Entry("dos.img"), {0});
    ASSERT_TRUE(page.Create());
    page.Dispatch(IDC_IMAGE_VIEW, framework::BN_CLICKED, false);
    ASSERT_EQ(library.views.size(), 1u);
    EXPECT_EQ(library.views[0].owner, page.GetSafeHwnd());
    EXPECT_EQ(library.viewPaths[0], share.Entry("dos.img").string());

    page.Dispatch(framework::ID_HELP, framework::BN_CLICKED, false);
    // The viewer's help request arrives as its event on the owner window.
    ImageHelpEvent request(1100);
    EXPECT_TRUE(QCoreApplication::sendEvent(page.Window(), &request));
    const auto& help = framework::HelpRequests();
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].data, 112u);
    EXPECT_EQ(help[1].data, 1100u);
}

TEST_F(EditImagePageTest, TheRealViewerAsksThePageForHelp) {
    // A real diskette made by the library, viewed through the page's View
    // button; the viewer's Help button must come back to the page as its help
    // request.
    ImageCreateRequest create{};
    create.size = sizeof(create);
    create.fixed = KTIMG_CREATE_FIXED;
    create.options = KTIMG_OPTION_STANDARD;
    const std::string host = share.Entry("dos.img").string();
    create.path = host.c_str();
    ASSERT_EQ(KTCreateImage(&create), 0);
    KTSetApplication(1);
    image::SetImageLibrary(nullptr);  // the library itself, not the recorder

    bool helpClicked = false;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (!helpClicked) {
            if (auto* box = modal->findChild<QDialogButtonBox*>())
                if (QPushButton* help = box->button(QDialogButtonBox::Help)) {
                    helpClicked = true;
                    help->click();
                }
        }
        modal->close();
    });
    timer.start(20);
    ASSERT_TRUE(page.Create());
    page.Dispatch(IDC_IMAGE_VIEW, framework::BN_CLICKED, false);
    timer.stop();
    image::SetImageLibrary(&library);

    EXPECT_TRUE(helpClicked);
    const auto& help = framework::HelpRequests();
    ASSERT_EQ(help.size(), 1u);
    EXPECT_EQ(help[0].data, KTIMG_HELP_VIEWER);
    EXPECT_TRUE(messages.Empty());
    std::string report;
    EXPECT_TRUE(FsckClean(share.Entry("dos.img"), &report)) << report;
}

TEST_F(EditImagePageTest, APageNeverOpenedChangesNothing) {
    // Another page is shown first; OK ends the sheet without the Image tab.
    framework::CPropertyPage first(res::IDD_EDIT_IMAGE_PAGE);
    framework::CPropertySheet sheet("Menu Item Properties");
    sheet.AddPage(&first);
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.PressButton(framework::PSBTN_OK);
    EXPECT_TRUE(sheet.IsEnded());
    EXPECT_EQ(page.Window(), nullptr);
    EXPECT_EQ(loader.GetImageFile(0), "dos.img");
    EXPECT_TRUE(messages.Empty());
}

}  // namespace
