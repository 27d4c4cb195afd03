// The keyboard as on Windows, on real (offscreen) windows: where the focus
// starts and goes after a page change, the tab order of pages and sheet
// buttons, Enter, Escape, and what Tab leaves in a multi-line edit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include "platform/framework/classic_message_box.h"
#include "platform/framework/dialog.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/wizard_sheet.h"
#include "tests/support/entry_fixture.h"
#include "tests/support/test_support.h"

using namespace framework;
using menvolt_test::Flush;

namespace {

// A label, a one-line edit, a multi-line edit, a button; pages and a dialog.
void RegisterKeyboardTemplates() {
    using K = res::ControlKind;
    for (unsigned id : {9201u, 9202u, 9203u}) {
        res::DialogTemplate t;
        t.id = id;
        t.caption = "Keys " + std::to_string(id);
        t.cx = 200;
        t.cy = 90;
        t.style = id == 9203 ? 0u : unsigned(res::DS_CHILD);
        t.controls = {
            {100, K::Static, "&Name:", 7, 7, 40, 8, 0, 0},
            {101, K::Edit, "", 7, 17, 120, 12, res::CS_TABSTOP, 0},
            {102, K::Edit, "", 7, 33, 120, 30, res::CS_MULTILINE | res::CS_TABSTOP, 0},
            {103, K::PushButton, "&Browse...", 7, 68, 50, 14, res::CS_TABSTOP, 0},
        };
        if (id == 9203) {
            t.controls.push_back({1, K::DefPushButton, "OK", 90, 68, 50, 14, res::CS_TABSTOP, 0});
            t.controls.push_back({2, K::PushButton, "Cancel", 145, 68, 50, 14, res::CS_TABSTOP, 0});
        }
        res::RegisterDialogTemplate(t);
    }
}

struct KeyPage : CPropertyPageEx {
    explicit KeyPage(unsigned id, UINT flags) : CPropertyPageEx(id), flags(flags) {}
    BOOL OnSetActive() override {
        GetParentSheet()->SetWizardButtons(flags);
        if (focusBrowse) SetFocusTo(103);
        return CPropertyPageEx::OnSetActive();
    }
    UINT flags;
    bool focusBrowse = false;
};

struct KeyDialog : CDialog {
    KeyDialog() : CDialog(9203) {}
    BOOL OnCommand(UINT id, UINT code) override {
        if (code == BN_CLICKED) clicks.push_back(id);
        return id == 1 || id == 2 ? TRUE : CDialog::OnCommand(id, code);
    }
    std::vector<UINT> clicks;
};

QWidget* Focused() { return QApplication::focusWidget(); }

bool ShowActive(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    bool active = QTest::qWaitForWindowActive(window);
    Flush();
    return active;
}

// The widgets Tab visits from the focused one until it comes back.
std::vector<QWidget*> TabCycle() {
    std::vector<QWidget*> seen;
    QWidget* start = Focused();
    for (int i = 0; i < 20 && Focused(); ++i) {
        seen.push_back(Focused());
        QTest::keyClick(Focused(), Qt::Key_Tab);
        if (Focused() == start) break;
    }
    return seen;
}

struct KeyboardTest : ::testing::Test {
    menvolt_test::ScriptedMessages messages;
    void SetUp() override { RegisterKeyboardTemplates(); }
};

TEST_F(KeyboardTest, WizardFocusTabOrderAndEnter) {
    KeyPage first(9201, PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH), second(9202, PSWIZB_BACK);
    CPropertySheetEx sheet("Keys", nullptr, 0, 0);
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    sheet.m_psh.dwFlags |= PSH_WIZARD97 | PSH_WIZARD;
    ASSERT_TRUE(sheet.Create());
    first.SetDlgItemText(101, "Memory test");
    ASSERT_TRUE(ShowActive(sheet.Window()));

    // The first tab stop of the page, its text selected so typing replaces it.
    ASSERT_EQ(Focused(), first.GetDlgItem(101));
    EXPECT_EQ(first.Item<QLineEdit>(101)->selectedText(), "Memory test");

    // Tab: the page in template order, then Back, Next, Finish, Cancel, Help;
    // the multi-line edit passes Tab on and keeps no TAB character.
    std::vector<QWidget*> expected = {first.GetDlgItem(101), first.GetDlgItem(102), first.GetDlgItem(103),
                                      sheet.Button(ID_WIZBACK), sheet.Button(ID_WIZNEXT),
                                      sheet.Button(ID_WIZFINISH), sheet.Button(IDCANCEL),
                                      sheet.Button(ID_HELP)};
    EXPECT_EQ(TabCycle(), expected);
    EXPECT_EQ(first.GetDlgItemText(102), "");
    QTest::keyClick(Focused(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(Focused(), sheet.Button(ID_HELP));

    // Enter in an edit presses Next; the new page starts on its first control
    // even though Next (which had been clicked) is now disabled.
    QTest::keyClick(first.GetDlgItem(101), Qt::Key_Return);
    Flush();
    ASSERT_EQ(sheet.GetActivePage(), &second);
    EXPECT_EQ(Focused(), second.GetDlgItem(101));
    // Back, then a page that places the focus itself in OnSetActive.
    first.focusBrowse = true;
    sheet.Button(ID_WIZBACK)->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Return);
    Flush();
    ASSERT_EQ(sheet.GetActivePage(), &first);
    EXPECT_EQ(Focused(), first.GetDlgItem(103));
    // Escape is Cancel.
    QTest::keyClick(Focused(), Qt::Key_Escape);
    EXPECT_TRUE(sheet.IsEnded());
    EXPECT_EQ(sheet.Result(), IDCANCEL);
}

TEST_F(KeyboardTest, TabbedSheetStartsOnThePageAndOrdersOkCancelHelp) {
    KeyPage page(9201, 0);
    CPropertySheet sheet("Properties");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    ASSERT_TRUE(ShowActive(sheet.Window()));
    ASSERT_EQ(Focused(), page.GetDlgItem(101));
    std::vector<QWidget*> expected = {page.GetDlgItem(101), page.GetDlgItem(102), page.GetDlgItem(103),
                                      sheet.Button(IDOK), sheet.Button(IDCANCEL),
                                      sheet.Button(ID_HELP), sheet.Tabs()->Bar()};
    EXPECT_EQ(TabCycle(), expected);
    QTest::keyClick(page.GetDlgItem(102), Qt::Key_Return);  // Enter in the help edit is OK
    EXPECT_TRUE(sheet.IsEnded());
    EXPECT_EQ(sheet.Result(), IDOK);
}

TEST_F(KeyboardTest, DialogEnterPressesTheDefaultOrFocusedButtonAndEscapeCancels) {
    KeyDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(ShowActive(dialog.Window()));
    EXPECT_EQ(Focused(), dialog.GetDlgItem(101));
    QTest::keyClick(Focused(), Qt::Key_Return);
    dialog.Item<QPushButton>(103)->setFocus();
    QTest::keyClick(Focused(), Qt::Key_Return);
    QTest::keyClick(Focused(), Qt::Key_Escape);
    EXPECT_EQ(dialog.clicks, (std::vector<UINT>{1, 103, 2}));
}

TEST_F(KeyboardTest, MessageBoxesAnswerEscapeAsWindowsDoes) {
    struct Case {
        unsigned style;
        int escape;  // 0: Escape does nothing
    };
    for (Case c : {Case{platform::MB_OK | platform::MB_ICONERROR, IDOK},
                   Case{platform::MB_OKCANCEL | platform::MB_ICONWARNING, IDCANCEL},
                   Case{platform::MB_YESNO | platform::MB_ICONQUESTION, 0}}) {
        platform::MessageRequest request;
        request.text = "Text";
        request.caption = "Caption";
        request.style = c.style;
        ClassicMessageBox box(request, nullptr);
        box.open();
        ASSERT_TRUE(ShowActive(&box));
        QTest::keyClick(&box, Qt::Key_Escape);
        if (c.escape == 0) {
            EXPECT_TRUE(box.isVisible()) << c.style;
            QTest::keyClick(Focused(), Qt::Key_Return);  // the first button, Yes, has the focus
            EXPECT_EQ(box.result(), IDYES);
        } else {
            EXPECT_FALSE(box.isVisible()) << c.style;
            EXPECT_EQ(box.result(), c.escape) << c.style;
        }
    }
}

}  // namespace
