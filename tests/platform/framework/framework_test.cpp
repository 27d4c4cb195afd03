#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "platform/framework/dialog.h"
#include "platform/framework/dialog_units.h"
#include "tests/support/test_support.h"

namespace {

TEST(DialogUnits, TemplateFontMeasuresLikeWindows) {
    QFont font = framework::DialogFont();
    framework::BaseUnits units = framework::DialogBaseUnits();
    if (QFontInfo(font).family() != "MS Sans Serif") GTEST_SKIP() << "template font not installed";
    EXPECT_EQ(units.cx, 6);
    EXPECT_EQ(units.cy, 13);
    EXPECT_EQ(framework::DluRectToPixels(0, 0, 50, 14, units).size(), QSize(75, 23));
    // Halves round away from zero, as MulDiv does.
    EXPECT_EQ(framework::DluToPixelsX(17, units), 26);
    EXPECT_EQ(framework::DluToPixelsY(4, units), 7);
}

// A page-like template exercising the control operations the wizard and
// the property pages rely on.
class ControlsDialog : public framework::CDialog {
public:
    ControlsDialog() : CDialog(9001) {}
    BOOL OnCommand(UINT id, UINT code) override {
        commands.push_back({id, code});
        return CDialog::OnCommand(id, code);
    }
    std::vector<std::pair<UINT, UINT>> commands;
};

res::DialogTemplate ControlsTemplate() {
    using K = res::ControlKind;
    res::DialogTemplate d;
    d.id = 9001;
    d.caption = "Controls";
    d.cx = 200;
    d.cy = 120;
    d.controls = {
        {10, K::Static, "&Name:", 5, 5, 40, 10, 0, 0},
        {11, K::Edit, "", 50, 5, 100, 12, res::CS_TABSTOP, 0},
        {12, K::Edit, "", 50, 20, 100, 40, res::CS_MULTILINE | res::CS_TABSTOP, 0},
        {13, K::CheckBox, "&Hard drive", 5, 65, 80, 10, res::CS_AUTO, 0},
        {14, K::RadioButton, "One", 5, 80, 50, 10, res::CS_GROUP | res::CS_AUTO, 0},
        {15, K::RadioButton, "Two", 60, 80, 50, 10, res::CS_AUTO, 0},
        {16, K::ComboDropList, "", 5, 95, 80, 50, res::CS_SORTED, 0},
        {1, K::DefPushButton, "OK", 120, 100, 35, 14, 0, 0},
        {2, K::PushButton, "Cancel", 160, 100, 35, 14, 0, 0},
    };
    return d;
}

TEST(Dialog, ControlOperationsByIdentifier) {
    res::RegisterDialogTemplate(ControlsTemplate());
    ControlsDialog dialog;
    ASSERT_TRUE(dialog.Create());

    dialog.LimitText(11, 5);
    dialog.SetDlgItemText(11, "abcdefgh");
    EXPECT_EQ(dialog.GetDlgItemText(11), "abcde");
    ASSERT_FALSE(dialog.commands.empty());
    EXPECT_EQ(dialog.commands.back(), (std::pair<UINT, UINT>{11, framework::EN_CHANGE}));

    dialog.LimitText(12, 4);
    dialog.Item<QPlainTextEdit>(12)->insertPlainText("123456");
    EXPECT_EQ(dialog.GetDlgItemText(12), "1234");

    dialog.EnableDlgItem(13, FALSE);
    EXPECT_FALSE(dialog.IsDlgItemEnabled(13));
    dialog.ShowDlgItem(13, FALSE);
    EXPECT_FALSE(dialog.IsDlgItemVisible(13));
    dialog.CheckDlgButton(13, TRUE);
    EXPECT_TRUE(dialog.IsDlgButtonChecked(13));

    dialog.CheckRadioButton(14, 15, 15);
    EXPECT_FALSE(dialog.IsDlgButtonChecked(14));
    EXPECT_TRUE(dialog.IsDlgButtonChecked(15));
    dialog.Item<QRadioButton>(14)->click();  // the group is exclusive
    EXPECT_TRUE(dialog.IsDlgButtonChecked(14));
    EXPECT_FALSE(dialog.IsDlgButtonChecked(15));
    EXPECT_EQ(dialog.commands.back(), (std::pair<UINT, UINT>{14, framework::BN_CLICKED}));

    for (const char* s : {"pear", "Apple", "banana"}) dialog.AddString(16, s);
    EXPECT_EQ(dialog.GetItemText(16, 0), "Apple");
    EXPECT_EQ(dialog.GetItemText(16, 2), "pear");
    EXPECT_EQ(dialog.GetCurSel(16), -1);
    EXPECT_EQ(dialog.SelectString(16, "BAN"), 1);
    EXPECT_EQ(dialog.GetCurSel(16), 1);
    EXPECT_EQ(dialog.SelectString(16, "cherry"), -1);

    // The label's mnemonic leads to the control after it.
    EXPECT_EQ(dialog.Item<QLabel>(10)->buddy(), dialog.GetDlgItem(11));
    EXPECT_EQ(dialog.GetDlgItem(65535), nullptr);

    dialog.Dispatch(1, framework::BN_CLICKED, false);
    EXPECT_EQ(dialog.Window()->result(), 1);
}

TEST(Dialog, EditsKeepWindows1252TextAndNoControlCharacters) {
    res::RegisterDialogTemplate(ControlsTemplate());
    menvolt_test::ScriptedMessages messages;
    ControlsDialog dialog;
    ASSERT_TRUE(dialog.Create());

    // A stored byte is shown as its character and read back unchanged.
    dialog.SetDlgItemText(11, "\x80\x82\xA0\xE9\x9F");
    EXPECT_EQ(dialog.Item<QLineEdit>(11)->text(), QString::fromUcs4(U"\u20AC\u201A\u00A0\u00E9\u0178"));
    EXPECT_EQ(dialog.GetDlgItemText(11), "\x80\x82\xA0\xE9\x9F");

    // Typed or pasted: breaks and tabs become blanks, other control characters
    // and characters without a byte go, and the user is told which.
    dialog.SetDlgItemText(11, "");
    dialog.Item<QLineEdit>(11)->insert(QString::fromUtf8("a\x1B\tb \xC4\x85\x7F\xC2\x81\xE2\x82\xAC"));
    EXPECT_EQ(dialog.GetDlgItemText(11), "a b \x80");
    EXPECT_EQ(dialog.Item<QLineEdit>(11)->cursorPosition(), 5);
    dialog.Item<QPlainTextEdit>(12)->setPlainText("");
    dialog.Item<QPlainTextEdit>(12)->insertPlainText(QString::fromUtf8("x\ny\x07\xE4\xB8\xAD"));
    EXPECT_EQ(dialog.GetDlgItemText(12), "x y");
    // Told by one balloon beside each field, never by a box: a second
    // refusal in the same burst joins the first one's balloon.
    EXPECT_TRUE(messages.Empty());
    dialog.Item<QLineEdit>(11)->insert(QString::fromUtf8("\xD0\xB7"));
    auto balloons = [&](int id) { return dialog.GetDlgItem(id)->findChildren<QLabel*>("codePageNotice"); };
    ASSERT_EQ(balloons(11).size(), 1);
    ASSERT_EQ(balloons(12).size(), 1);
    EXPECT_TRUE(balloons(11)[0]->isVisible());
    for (const char* shown : {"\xC4\x85", "U+0105", "\xD0\xB7", "U+0437"})
        EXPECT_TRUE(balloons(11)[0]->text().contains(QString::fromUtf8(shown))) << shown;
    EXPECT_TRUE(balloons(12)[0]->text().contains(QString::fromUtf8("\xE4\xB8\xAD&quot; (U+4E2D)")));
}

TEST(Dialog, MnemonicsStripForTextsWithoutUnderlines) {
    EXPECT_EQ(framework::StripMnemonic("&Add..."), "Add...");
    EXPECT_EQ(framework::StripMnemonic("Save && exit"), "Save & exit");
}

}  // namespace
