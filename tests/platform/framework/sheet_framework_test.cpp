// The page and sheet layer on its own: tabbed sheets, wizards, the wizard
// button flags, page removal while running.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTabBar>

#include "platform/framework/dialog.h"
#include "platform/framework/html_help.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/wizard_sheet.h"
#include "tests/support/entry_fixture.h"
#include "tests/support/test_support.h"

using namespace framework;
using menvolt_test::Flush;
using menvolt_test::Press;

namespace {

void RegisterTestTemplates() {
    for (unsigned id : {9101u, 9102u, 9103u}) {
        res::DialogTemplate t;
        t.id = id;
        t.caption = "Page " + std::to_string(id - 9100);
        t.cx = 100 + static_cast<int>(id - 9100) * 10;
        t.cy = 60;
        t.style = res::DS_CHILD;
        t.controls = {{1000, res::ControlKind::Edit, "", 7, 7, 80, 12, res::CS_TABSTOP, 0}};
        res::RegisterDialogTemplate(t);
    }
}

struct TestPage : CPropertyPageEx {
    explicit TestPage(unsigned id) : CPropertyPageEx(id) {}
    BOOL OnSetActive() override {
        log += "S";
        if (buttons >= 0) GetParentSheet()->SetWizardButtons(static_cast<UINT>(buttons));
        return CPropertyPageEx::OnSetActive();
    }
    BOOL OnKillActive() override {
        log += "K";
        return allowLeave;
    }
    BOOL OnWizardFinish() override {
        log += "F";
        return allowFinish;
    }
    BOOL OnCommand(UINT id, UINT code) override {
        if (id == ID_HELP) {
            log += "H";
            return TRUE;
        }
        return CPropertyPageEx::OnCommand(id, code);
    }
    std::string log;
    BOOL allowLeave = TRUE;
    BOOL allowFinish = TRUE;
    int buttons = -1;
};

struct SheetTest : ::testing::Test {
    menvolt_test::ScriptedMessages messages;
    TestPage one{9101}, two{9102}, three{9103};
    void SetUp() override { RegisterTestTemplates(); }
};

bool Enabled(CPropertySheet& sheet, UINT id) { return sheet.Button(id) && sheet.Button(id)->isEnabled(); }

TEST_F(SheetTest, TabbedSheetTitlesTabsByTemplateCaptionsAndHasNoApply) {
    CPropertySheet sheet("Menu Item Properties");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.Window()->windowTitle(), "Menu Item Properties");
    ASSERT_EQ(sheet.Tabs()->GetItemCount(), 2);
    EXPECT_EQ(sheet.Tabs()->Bar()->tabText(0), "Page 1");
    EXPECT_EQ(sheet.Tabs()->Bar()->tabText(1), "Page 2");
    EXPECT_NE(sheet.Button(IDOK), nullptr);
    EXPECT_NE(sheet.Button(IDCANCEL), nullptr);
    EXPECT_NE(sheet.Button(ID_HELP), nullptr);
    EXPECT_EQ(sheet.Button(ID_WIZNEXT), nullptr);
    EXPECT_EQ(sheet.Window()->findChildren<QPushButton*>().size(), 3);  // no Apply
    // Only the first page exists until it is shown.
    EXPECT_NE(one.Window(), nullptr);
    EXPECT_EQ(two.Window(), nullptr);
    EXPECT_EQ(one.log, "S");
}

TEST_F(SheetTest, TabChangeAsksThePageAndARefusalKeepsItsTab) {
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    ASSERT_TRUE(sheet.Create());
    one.allowLeave = FALSE;
    sheet.Tabs()->Bar()->setCurrentIndex(1);  // the user clicks the second tab
    EXPECT_EQ(one.log, "SK");
    EXPECT_EQ(sheet.GetActiveIndex(), 0);
    EXPECT_EQ(sheet.Tabs()->GetCurSel(), 0);
    EXPECT_EQ(two.Window(), nullptr);

    one.allowLeave = TRUE;
    sheet.Tabs()->Bar()->setCurrentIndex(1);
    EXPECT_EQ(sheet.GetActiveIndex(), 1);
    EXPECT_EQ(two.log, "S");
    EXPECT_TRUE(two.Window()->isVisibleTo(sheet.Window()));
    EXPECT_FALSE(one.Window()->isVisibleTo(sheet.Window()));
}

TEST_F(SheetTest, OkAsksTheActivePageOnlyAndCancelAsksNobody) {
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&one);
    sheet.AddPage(&two);
    ASSERT_TRUE(sheet.Create());
    one.allowLeave = FALSE;
    Press(sheet, PSBTN_OK);
    EXPECT_FALSE(sheet.IsEnded());
    one.allowLeave = TRUE;
    Press(sheet, PSBTN_OK);
    EXPECT_TRUE(sheet.IsEnded());
    EXPECT_EQ(sheet.Result(), IDOK);
    EXPECT_EQ(one.log, "SKK");
    EXPECT_EQ(two.log, "");

    TestPage four{9101};  // before the sheet: the sheet's end still reaches its pages
    CPropertySheet other("Sheet");
    other.AddPage(&four);
    ASSERT_TRUE(other.Create());
    Press(other, PSBTN_CANCEL);
    EXPECT_EQ(other.Result(), IDCANCEL);
    EXPECT_EQ(four.log, "S");
}

TEST_F(SheetTest, HelpGoesToTheActivePage) {
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&one);
    ASSERT_TRUE(sheet.Create());
    sheet.Button(ID_HELP)->click();
    EXPECT_EQ(one.log, "SH");
}

CPropertySheetEx* MakeWizard(std::vector<TestPage*> pages) {
    auto* sheet = new CPropertySheetEx("Create", nullptr, 0, 103);
    for (TestPage* page : pages) sheet->AddPage(page);
    sheet->m_psh.dwFlags |= PSH_WIZARD97 | PSH_WIZARD | PSH_WIZARDHASFINISH;
    return sheet;
}

TEST_F(SheetTest, WizardButtonFlagsFollowTheTableAndArePosted) {
    std::unique_ptr<CPropertySheetEx> sheet(MakeWizard({&one, &two}));
    ASSERT_TRUE(sheet->Create());
    Flush();
    EXPECT_NE(sheet->Watermark(), nullptr);
    struct Row {
        UINT flags;
        bool back, next, finish;
    };
    for (Row row : {Row{10, false, true, false}, Row{2, false, true, false}, Row{0, false, false, false},
                    Row{9, true, false, false}, Row{5, true, false, true}, Row{7, true, true, true}}) {
        sheet->SetWizardButtons(row.flags == 0 ? 7 : 0);
        Flush();
        sheet->SetWizardButtons(row.flags);
        // Posted: nothing changes before the current message is done.
        EXPECT_NE(sheet->AppliedWizardButtons(), row.flags);
        Flush();
        EXPECT_EQ(sheet->AppliedWizardButtons(), row.flags);
        EXPECT_EQ(Enabled(*sheet, ID_WIZBACK), row.back) << row.flags;
        EXPECT_EQ(Enabled(*sheet, ID_WIZNEXT), row.next) << row.flags;
        EXPECT_EQ(Enabled(*sheet, ID_WIZFINISH), row.finish) << row.flags;
        EXPECT_TRUE(sheet->Button(ID_WIZFINISH)->isVisibleTo(sheet->Window()));  // Finish is always shown
    }
}

TEST_F(SheetTest, WizardMovesByNextAndBackAndDisabledButtonsDoNothing) {
    one.buttons = PSWIZB_NEXT;
    two.buttons = PSWIZB_BACK | PSWIZB_FINISH;
    std::unique_ptr<CPropertySheetEx> sheet(MakeWizard({&one, &two}));
    ASSERT_TRUE(sheet->Create());
    Flush();
    Press(*sheet, PSBTN_BACK);  // disabled
    Press(*sheet, PSBTN_FINISH);  // disabled
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(one.log, "S");
    Press(*sheet, PSBTN_NEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 1);
    EXPECT_EQ(one.log, "SK");
    Press(*sheet, PSBTN_BACK);
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
    EXPECT_EQ(two.log, "SK");
    // A page that refuses to be left keeps the wizard where it is.
    one.allowLeave = FALSE;
    Press(*sheet, PSBTN_NEXT);
    EXPECT_EQ(sheet->GetActiveIndex(), 0);
}

TEST_F(SheetTest, FinishEndsOnlyWhenThePageAgrees) {
    one.buttons = PSWIZB_FINISH;
    std::unique_ptr<CPropertySheetEx> sheet(MakeWizard({&one}));
    ASSERT_TRUE(sheet->Create());
    Flush();
    one.allowFinish = FALSE;
    Press(*sheet, PSBTN_FINISH);
    EXPECT_FALSE(sheet->IsEnded());
    one.allowFinish = TRUE;
    Press(*sheet, PSBTN_FINISH);
    EXPECT_TRUE(sheet->IsEnded());
    EXPECT_EQ(sheet->Result(), static_cast<int>(ID_WIZFINISH));
    // Finish does not leave the page through OnKillActive.
    EXPECT_EQ(one.log, "SFF");
}

TEST_F(SheetTest, PagesCanBeRemovedWhileTheWizardRuns) {
    one.buttons = PSWIZB_NEXT;
    std::unique_ptr<CPropertySheetEx> sheet(MakeWizard({&one, &two, &three}));
    ASSERT_TRUE(sheet->Create());
    Flush();
    sheet->RemovePage(1);
    EXPECT_EQ(sheet->GetPageCount(), 2);
    EXPECT_EQ(two.GetParentSheet(), nullptr);
    Press(*sheet, PSBTN_NEXT);
    EXPECT_EQ(sheet->GetActivePage(), &three);
    // Removing the active page shows its neighbour.
    sheet->RemovePage(&three);
    EXPECT_EQ(sheet->GetActivePage(), &one);
    EXPECT_EQ(three.Window(), nullptr);
}

TEST_F(SheetTest, WizardHeaderAndCaptionComeFromTheActivePage) {
    CPropertyPageEx titled(9101, 0, 57355, 57356);
    titled.m_psp.pszTitle = "Create Menu Wizard";
    titled.m_psp.dwFlags |= PSP_USETITLE;
    CPropertySheetEx sheet("Create", nullptr, 0, 103);
    sheet.AddPage(&titled);
    sheet.m_psh.dwFlags |= PSH_WIZARD97 | PSH_WIZARD;
    ASSERT_TRUE(sheet.Create());
    EXPECT_EQ(sheet.Window()->windowTitle(), "Create Menu Wizard");
    EXPECT_EQ(sheet.HeaderTitle()->text(), "Setup Item");
    EXPECT_EQ(sheet.HeaderSubTitle()->text(), "Select the type of menu item you want to create.");
    EXPECT_FALSE(sheet.Watermark()->pixmap().isNull());
}

}  // namespace
