// The create wizard end to end through its pages: enable rules, questions,
// what lands in the documents, and the files Finish writes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/editor_app.h"
#include "imagelib/image_help_event.h"
#include "loader/loader_file.h"
#include "platform/framework/html_help.h"
#include "store/sif_file.h"
#include "tests/support/entry_fixture.h"
#include "ui/wizard/menu_wiz_page.h"
#include "ui/wizard/select_image_wiz_page.h"
#include "ui/wizard/setup_wiz_page.h"
#include "ui/wizard/sif_info_wiz_page.h"

using namespace framework;
using namespace menvolt_test;
using menvolt_test::ReadText;
using menvolt_test::WriteText;

namespace {

constexpr int kImageEdit = 49, kView = 46, kBrowse = 48, kCreate = 50;

void Type(CDialog* page, int id, const std::string& text) {
    page->SetDlgItemText(id, text);
    Flush();
}

void Toggle(CDialog* page, int id) {
    page->CheckDlgButton(id, !page->IsDlgButtonChecked(id));
    page->Dispatch(id, BN_CLICKED, false);
    Flush();
}

struct WizardTest : EntryTest {
    MenuEntry entry{root};

    // From the Setup page to the page after the description page.
    void ChooseAndDescribe(CPropertySheetEx& sheet, bool submenu, const std::string& description = "Tools") {
        auto* setup = Active<CSetupWizPage>(sheet);
        ASSERT_NE(setup, nullptr);
        if (submenu) {
            setup->CheckRadioButton(1016, 1017, 1017);
        }
        Press(sheet, PSBTN_NEXT);
        auto* info = Active<CSifInfoWizPage>(sheet);
        ASSERT_NE(info, nullptr);
        Type(info, IDC_SIF_DESCRIPTION, description);
        Type(info, IDC_SIF_HELP, "Help for " + description);
        Press(sheet, PSBTN_NEXT);
    }
    // Fills the active submenu page with an existing image.
    void FillItem(CPropertySheetEx& sheet, const std::string& description, const std::string& image) {
        auto* page = Active<CMenuWizPage>(sheet);
        ASSERT_NE(page, nullptr);
        WriteText(HostFile(image), "image");
        Type(page, IDC_MENU_DESCRIPTION, description);
        Type(page, IDC_MENU_HELP, "About " + description);
        Type(page, kImageEdit, image);
    }
};

TEST_F(WizardTest, SetupPageStartsOnSingleWithOnlyNextAndCancelWritesNothing) {
    CEditorApp app;
    BOOL finished = RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ASSERT_EQ(sheet.GetPageCount(), 11);
        auto* setup = Active<CSetupWizPage>(sheet);
        ASSERT_NE(setup, nullptr);
        EXPECT_TRUE(setup->IsDlgButtonChecked(IDC_SETUP_SINGLE));
        EXPECT_FALSE(setup->IsDlgButtonChecked(IDC_SETUP_SUBMENU));
        EXPECT_EQ(sheet.AppliedWizardButtons(), 10u);
        EXPECT_EQ(sheet.Window()->windowTitle(), "Create Menu Wizard");
        EXPECT_EQ(sheet.HeaderTitle()->text(), "Setup Item");
        sheet.Button(ID_HELP)->click();
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_FALSE(finished);
    EXPECT_EQ(FileCount(), 0);
    ASSERT_EQ(HelpRequests().size(), 1u);
    EXPECT_EQ(HelpRequests()[0].data, 108u);
}

TEST_F(WizardTest, DescriptionPageOffersNextOnlyWithADescriptionAndNeverBack) {
    RunWizard(entry, [&](CPropertySheetEx& sheet) {
        Press(sheet, PSBTN_NEXT);
        auto* info = Active<CSifInfoWizPage>(sheet);
        ASSERT_NE(info, nullptr);
        // Leaving the Setup page on "single" took the first submenu page out.
        EXPECT_EQ(sheet.GetPageCount(), 10);
        EXPECT_NE(dynamic_cast<CSelectImageWizPage*>(sheet.GetPage(2)), nullptr);
        EXPECT_NE(dynamic_cast<CMenuWizPage*>(sheet.GetPage(3)), nullptr);
        EXPECT_EQ(sheet.HeaderTitle()->text(), "Friendly Description and Help Text");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 0u);
        Type(info, IDC_SIF_DESCRIPTION, "A");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 2u);
        Type(info, IDC_SIF_DESCRIPTION, "");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 0u);
        Press(sheet, PSBTN_NEXT);
        EXPECT_EQ(sheet.GetActivePage(), info);
        // The description edit takes 65 characters.
        Type(info, IDC_SIF_DESCRIPTION, std::string(70, 'd'));
        EXPECT_EQ(info->GetDlgItemText(IDC_SIF_DESCRIPTION).size(), 65u);
        Press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(WizardTest, HelpTextTakesNoLineBreaks) {
    RunWizard(entry, [&](CPropertySheetEx& sheet) {
        Press(sheet, PSBTN_NEXT);
        auto* info = Active<CSifInfoWizPage>(sheet);
        ASSERT_NE(info, nullptr);
        Type(info, IDC_SIF_DESCRIPTION, "Desc");
        Type(info, IDC_SIF_HELP, "pasted\r\ntext\nhere");
        EXPECT_EQ(info->GetDlgItemText(IDC_SIF_HELP).find('\n'), std::string::npos);
        // Enter in the help text is the wizard's Enter: Next, not a new line.
        auto* edit = info->Item<QPlainTextEdit>(IDC_SIF_HELP);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(edit, &enter);
        Flush();
        EXPECT_NE(Active<CSelectImageWizPage>(sheet), nullptr);
        Press(sheet, PSBTN_CANCEL);
    });
    EXPECT_EQ(entry.m_sif.GetHelp(), "pasted text here");  // the edit keeps CR LF as one break
    EXPECT_EQ(entry.m_sif.GetDescription(), "Desc");
}

TEST_F(WizardTest, SinglePathFinishNeedsANameAndAsksAboutAMissingFile) {
    BOOL finished = RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, false, "Single DOS");
        auto* image = Active<CSelectImageWizPage>(sheet);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(sheet.HeaderTitle()->text(), "Image File");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 9u);
        EXPECT_FALSE(image->IsDlgItemEnabled(kView));
        Type(image, kImageEdit, "dos.img");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 5u);
        EXPECT_TRUE(image->IsDlgItemEnabled(kView));
        // The file is missing: No keeps the wizard open with nothing stored.
        messages.Answer(IDNO);
        Press(sheet, PSBTN_FINISH);
        EXPECT_FALSE(sheet.IsEnded());
        EXPECT_EQ(entry.m_loader.GetItemCount(), 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "The specified image file does not exist.  Do you want to save this entry anyway?");
        EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Application);
        messages.Answer(IDYES);
        Press(sheet, PSBTN_FINISH);
        EXPECT_TRUE(sheet.IsEnded());
    });
    ASSERT_TRUE(finished);
    // The loader first, then the OSChooser file naming it.
    ASSERT_TRUE(std::filesystem::exists(HostFile("tool0.ldr")));
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetItemCount(), 1);
    EXPECT_EQ(loader.GetImageFile(0), "dos.img");
    EXPECT_EQ(loader.GetDescription(0), "");
    EXPECT_EQ(loader.GetServerPath(), relative);
    SifFile sif;
    ASSERT_TRUE(sif.Load(folder + "templates\\tool0.sif"));
    EXPECT_EQ(sif.GetLaunchFile(), relative + "tool0.ldr");
    EXPECT_EQ(sif.GetValue("Version"), "1.00");
    EXPECT_EQ(sif.GetDescription(), "Single DOS");
    EXPECT_EQ(sif.GetHelp(), "Help for Single DOS");

    // The second entry in the same folder gets the next number.
    MenuEntry second(root);
    WriteText(HostFile("two.img"), "image");
    ASSERT_TRUE(RunWizard(second, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, false, "Second");
        Type(Active<CSelectImageWizPage>(sheet), kImageEdit, "two.img");
        Press(sheet, PSBTN_FINISH);
    }));
    EXPECT_TRUE(LoaderAccepted(HostFile("tool1.ldr"), folder + "tool1.ldr"));
    SifFile sif1;
    ASSERT_TRUE(sif1.Load(folder + "templates\\tool1.sif"));
    EXPECT_EQ(sif1.GetLaunchFile(), relative + "tool1.ldr");
}

TEST_F(WizardTest, ANameTheClientCannotRequestIsRefusedOnThePage) {
    // The client asks for server path and name in 127 characters.
    const std::string tooLong = std::string(127 - relative.size() + 1 - 4, 'n') + ".img";
    const std::string longest = std::string(127 - relative.size() - 4, 'n') + ".img";
    WriteText(HostFile(longest), "image");
    ASSERT_TRUE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, false);
        auto* image = Active<CSelectImageWizPage>(sheet);
        Type(image, kImageEdit, tooLong);
        Press(sheet, PSBTN_FINISH);
        EXPECT_FALSE(sheet.IsEnded());
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_NE(messages.shown[0].text.find("127"), std::string::npos);
        EXPECT_EQ(entry.m_loader.GetItemCount(), 0);
        Type(image, kImageEdit, longest);
        Press(sheet, PSBTN_FINISH);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

TEST_F(WizardTest, SubmenuPathWalksEightPagesAndTheLastNeverOffersNext) {
    ASSERT_TRUE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true, "Rescue");
        EXPECT_EQ(sheet.GetPageCount(), 10);
        for (unsigned number = 1; number <= 8; ++number) {
            auto* page = Active<CMenuWizPage>(sheet);
            ASSERT_NE(page, nullptr);
            ASSERT_EQ(page->m_itemNumber, number);
            EXPECT_EQ(page->GetDlgItemText(IDC_MENU_TITLE), "Submenu " + std::to_string(number));
            EXPECT_EQ(page->GetDlgItemText(IDC_MENU_HINT), "Press Next to create the next submenu or Finish if done.");
            EXPECT_EQ(sheet.AppliedWizardButtons(), 9u);
            FillItem(sheet, "Item " + std::to_string(number), "i" + std::to_string(number) + ".img");
            EXPECT_EQ(sheet.AppliedWizardButtons(), number < 8 ? 7u : 5u);
            if (number < 8) Press(sheet, PSBTN_NEXT);
        }
        Press(sheet, PSBTN_NEXT);  // disabled on Submenu 8
        EXPECT_EQ(Active<CMenuWizPage>(sheet)->m_itemNumber, 8u);
        Press(sheet, PSBTN_FINISH);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    EXPECT_TRUE(messages.Empty());  // every image exists; only Submenu 1 asks the one-item question
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    ASSERT_EQ(loader.GetItemCount(), 8);
    EXPECT_EQ(loader.GetDescription(7), "Item 8");
    EXPECT_EQ(loader.GetImageFile(3), "i4.img");
    EXPECT_EQ(loader.GetHelpText(2), "About Item 3");
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

TEST_F(WizardTest, HardDriveBoxCompletesTheItemAndStoresNoImage) {
    ASSERT_TRUE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true);
        auto* page = Active<CMenuWizPage>(sheet);
        Type(page, IDC_MENU_DESCRIPTION, "Boot the disk");
        EXPECT_EQ(sheet.AppliedWizardButtons(), 9u);
        Type(page, kImageEdit, "left.img");
        Toggle(page, IDC_MENU_HARD_DRIVE);
        EXPECT_EQ(sheet.AppliedWizardButtons(), 7u);
        for (int id : {kImageEdit, kBrowse, kCreate, kView}) EXPECT_FALSE(page->IsDlgItemEnabled(id)) << id;
        EXPECT_EQ(page->GetDlgItemText(kImageEdit), "left.img");
        Press(sheet, PSBTN_NEXT);
        FillItem(sheet, "Second", "second.img");
        Press(sheet, PSBTN_FINISH);
    }));
    EXPECT_TRUE(messages.Empty());  // no question about the disabled name
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    ASSERT_EQ(loader.GetItemCount(), 2);
    EXPECT_EQ(loader.GetImageFile(0), "");
    EXPECT_EQ(loader.GetDescription(0), "Boot the disk");
}

TEST_F(WizardTest, FinishOnSubmenuOneAsksTheOneItemQuestion) {
    ASSERT_TRUE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true);
        FillItem(sheet, "Only", "only.img");
        Press(sheet, PSBTN_FINISH);  // the script answers No
        EXPECT_FALSE(sheet.IsEnded());
        EXPECT_EQ(entry.m_loader.GetItemCount(), 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Create Submenu");
        EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Owned);
        EXPECT_EQ(messages.shown[0].text,
                  "You have only specified one item for this submenu.  If you wish to finish this menu,\nit will be "
                  "saved as a single menu, not as a submenu.\n\nDo you wish to save this as a single menu?");
        messages.Answer(IDYES);
        Press(sheet, PSBTN_FINISH);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetItemCount(), 1);
    EXPECT_EQ(loader.GetDescription(0), "Only");
}

TEST_F(WizardTest, BackStoresACompleteItemAndAClearedDescriptionKeepsTheSlot) {
    ASSERT_TRUE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true);
        FillItem(sheet, "First", "first.img");
        Press(sheet, PSBTN_NEXT);
        FillItem(sheet, "Second", "second.img");
        Press(sheet, PSBTN_BACK);
        auto* first = Active<CMenuWizPage>(sheet);
        ASSERT_EQ(first->m_itemNumber, 1u);
        EXPECT_EQ(entry.m_loader.GetItemCount(), 2);
        // Cleared and left again: the stored slot stays.
        Type(first, IDC_MENU_DESCRIPTION, "");
        Press(sheet, PSBTN_BACK);
        EXPECT_EQ(entry.m_loader.GetDescription(0), "First");
        Press(sheet, PSBTN_NEXT);
        Type(Active<CMenuWizPage>(sheet), IDC_MENU_DESCRIPTION, "First again");
        messages.Answer(IDYES);
        Press(sheet, PSBTN_FINISH);
    }));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    ASSERT_EQ(loader.GetItemCount(), 2);  // Finish on Submenu 1 keeps the item stored by Back
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetDescription(0), "First again");
    EXPECT_EQ(loader.GetDescription(1), "Second");
}

TEST_F(WizardTest, CancelDeepInTheSubmenuPathWritesNothing) {
    EXPECT_FALSE(RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true);
        FillItem(sheet, "First", "first.img");
        Press(sheet, PSBTN_NEXT);
        Press(sheet, PSBTN_CANCEL);
    }));
    // Only the image the test itself put there.
    EXPECT_EQ(FileCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(HostFile("tool0.ldr")));
}

TEST_F(WizardTest, PagesAskForTheirHelpTopics) {
    CEditorApp app;
    // The viewer's help request arrives as its event on the page's window.
    auto viewerAsks = [](CDialog* page, unsigned context) {
        ImageHelpEvent request(context);
        return QCoreApplication::sendEvent(page->Window(), &request);
    };
    RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, true);
        sheet.Button(ID_HELP)->click();
        EXPECT_TRUE(viewerAsks(Active<CMenuWizPage>(sheet), 4242));
        Press(sheet, PSBTN_BACK);
        sheet.Button(ID_HELP)->click();
        Press(sheet, PSBTN_CANCEL);
    });
    RunWizard(entry, [&](CPropertySheetEx& sheet) {
        ChooseAndDescribe(sheet, false);
        EXPECT_TRUE(viewerAsks(Active<CSelectImageWizPage>(sheet), 1100));
        Press(sheet, PSBTN_CANCEL);
    });
    ASSERT_EQ(HelpRequests().size(), 4u);
    EXPECT_EQ(HelpRequests()[0].data, 111u);
    EXPECT_EQ(HelpRequests()[1].data, 4242u);
    EXPECT_EQ(HelpRequests()[2].data, 109u);
    EXPECT_EQ(HelpRequests()[3].data, 1100u);
}

}  // namespace
