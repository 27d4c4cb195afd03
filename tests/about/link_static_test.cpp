#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <set>

#include "about/link_static.h"
#include "platform/framework/dialog.h"
#include "platform/message_box.h"
#include "res/dialog_template.h"
#include "tests/support/fake_shell_host.h"
#include "tests/support/test_support.h"

using menvolt_test::FakeShellHost;
using menvolt_test::ScriptedMessages;

namespace {

constexpr unsigned kTemplate = 64001;
enum : int { IDC_WITH_TEXT = 100, IDC_EMPTY = 101, IDC_CENTRED = 102 };
const std::string kAddress = "https://menvolt.example.org/";

struct LinkTest : ::testing::Test {
    static void SetUpTestSuite() {
        res::DialogTemplate d;
        d.id = kTemplate;
        d.caption = "Links";
        d.cx = 200;
        d.cy = 80;
        d.style = res::DS_CAPTION;
        d.controls = {
            {IDC_WITH_TEXT, res::ControlKind::Static, "Our web page", 10, 10, 150, 8, 0, 0},
            {IDC_EMPTY, res::ControlKind::Static, "", 10, 30, 150, 8, 0, 0},
            {IDC_CENTRED, res::ControlKind::Static, "Centred", 10, 45, 150, 20, res::CS_CENTER_VERT, 0},
        };
        res::RegisterDialogTemplate(d);
    }

    FakeShellHost desktop;
    ScriptedMessages messages;
    framework::CDialog dialog{kTemplate};
    CLinkStatic link;

    void Open(int id = IDC_WITH_TEXT) {
        ASSERT_TRUE(dialog.Create());
        dialog.Window()->show();
        templateRect = dialog.GetDlgItem(id)->geometry();
        ASSERT_TRUE(link.SubclassDlgItem(id, &dialog));
    }
    QRect templateRect;  // the static as the template made it
    QLabel* Control() { return link.GetControl(); }
    void Move(QPoint point) {
        QMouseEvent move(QEvent::MouseMove, point, Control()->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(Control(), &move);
    }
    void Click() {
        QPoint inside = Control()->rect().center();
        QMouseEvent press(QEvent::MouseButtonPress, inside, Control()->mapToGlobal(inside), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Control(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, Control()->mapToGlobal(inside), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Control(), &release);
    }
    COLORREF TextColor() { return link.QueryColors().GetTextColor(); }
};

TEST_F(LinkTest, StartsWithTheWebColoursAndNoWindow) {
    EXPECT_EQ(link.GetLinkColor(), 0x00EE0000u);
    EXPECT_EQ(link.GetVisitedColor(), 0x008B1A55u);
    EXPECT_EQ(link.GetHoverColor(), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_FALSE(link.IsVisited());
    EXPECT_TRUE(link.IsUnderlined());
    EXPECT_TRUE(link.IsFitToText());
    EXPECT_EQ(link.GetHandCursor(), nullptr);
    // Without a window the setters only store.
    link.SetLink(kAddress);
    link.SetLinkColors(RGB(1, 2, 3), RGB(4, 5, 6));
    EXPECT_EQ(link.GetLink(), kAddress);
    EXPECT_EQ(link.GetVisitedColor(), RGB(4, 5, 6));
    EXPECT_EQ(link.GetHoverColor(), GetSysColor(COLOR_HIGHLIGHT));
    link.SetLinkColors(RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9));
    EXPECT_EQ(link.GetHoverColor(), RGB(7, 8, 9));
}

TEST_F(LinkTest, AttachingMakesALink) {
    Open();
    EXPECT_TRUE(link.GetStyle() & SS_NOTIFY);
    EXPECT_TRUE(Control()->font().underline());
    ASSERT_NE(link.GetHandCursor(), nullptr);
    EXPECT_EQ(link.GetHandCursor()->shape(), Qt::PointingHandCursor);
    // A link without an address takes its text as the address.
    EXPECT_EQ(link.GetLink(), "Our web page");
    EXPECT_EQ(link.ToolTip().GetToolText(1), "Our web page");
    link.SetLink(kAddress);
    EXPECT_EQ(link.ToolTip().GetToolText(1), kAddress);
    EXPECT_EQ(link.GetWindowText(), "Our web page");
    EXPECT_EQ(link.ToolTip().GetToolRect(1), Control()->rect());
}

TEST_F(LinkTest, AnEmptyTextShowsTheAddress) {
    link.SetLink(kAddress);
    Open(IDC_EMPTY);
    EXPECT_EQ(link.GetWindowText(), kAddress);
    EXPECT_EQ(link.GetLink(), kAddress);
}

TEST_F(LinkTest, UnderlineFollowsTheFlag) {
    Open();
    link.SetUnderlined(FALSE);
    EXPECT_FALSE(Control()->font().underline());
    link.SetUnderlined(TRUE);
    EXPECT_TRUE(Control()->font().underline());
}

TEST_F(LinkTest, FitsItsTextOnTheSideItsStyleKeeps) {
    Open();
    const QRect before = templateRect;
    QFontMetrics metrics(Control()->font());
    const int cx = metrics.horizontalAdvance(Control()->text());
    const int cy = metrics.height();
    ASSERT_LT(cx, before.width());
    EXPECT_EQ(Control()->geometry(), QRect(before.x(), before.y(), cx, cy));

    // Right-aligned text keeps its right edge, centred text its centre.
    link.SetFitToText(FALSE);
    Control()->setGeometry(before.x(), before.y(), 200, 30);
    link.ModifyStyle(0, SS_RIGHT);
    link.SetFitToText(TRUE);
    EXPECT_EQ(Control()->geometry(), QRect(before.x() + 200 - cx, before.y(), cx, cy));

    link.SetFitToText(FALSE);
    Control()->setGeometry(before.x(), before.y(), 200, 30);
    link.ModifyStyle(SS_RIGHT, SS_CENTER | SS_CENTERIMAGE);
    link.SetFitToText(TRUE);
    const int dx = (200 - cx) / 2, dy = (30 - cy) / 2;
    EXPECT_EQ(Control()->geometry(), QRect(before.x() + dx, before.y() + dy, 200 - 2 * dx, 30 - 2 * dy));
}

TEST_F(LinkTest, AVerticallyCentredStaticStaysCentred) {
    Open(IDC_CENTRED);
    EXPECT_TRUE(link.GetStyle() & SS_CENTERIMAGE);
    EXPECT_GT(Control()->geometry().y(), dialog.GetDlgItem(IDC_EMPTY)->geometry().bottom());
}

TEST_F(LinkTest, HoverPaintsInTheHoverColourUntilTheMouseLeaves) {
    Open();
    link.SetLinkColors(RGB(0, 0, 238), RGB(85, 26, 139), RGB(200, 0, 0));
    EXPECT_EQ(TextColor(), RGB(0, 0, 238));
    EXPECT_EQ(link.QueryColors().GetBkMode(), TRANSPARENT);
    Move(QPoint(1, 1));
    EXPECT_TRUE(link.IsOverControl());
    EXPECT_EQ(TextColor(), RGB(200, 0, 0));
    Move(QPoint(2, 2));
    EXPECT_EQ(TextColor(), RGB(200, 0, 0));
    Move(QPoint(-5, 2));
    EXPECT_FALSE(link.IsOverControl());
    EXPECT_EQ(TextColor(), RGB(0, 0, 238));

    link.MarkVisited(TRUE);
    EXPECT_EQ(TextColor(), RGB(85, 26, 139));
    Move(QPoint(1, 1));
    EXPECT_EQ(TextColor(), RGB(200, 0, 0));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Control(), &leave);
    EXPECT_EQ(TextColor(), RGB(85, 26, 139));
}

TEST_F(LinkTest, PaintsTheTextInTheAnsweredColourOnTheDialogsBackground) {
    Open();
    link.SetLinkColors(RGB(0, 0, 238), RGB(85, 26, 139), RGB(200, 0, 0));
    auto countPixels = [this](COLORREF color) {
        QImage image = Control()->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (RefFromColor(image.pixelColor(x, y)) == color) ++count;
        return count;
    };
    EXPECT_GT(countPixels(RGB(0, 0, 238)), 0);
    EXPECT_EQ(countPixels(RGB(200, 0, 0)), 0);
    Move(QPoint(1, 1));
    EXPECT_GT(countPixels(RGB(200, 0, 0)), 0);
    EXPECT_EQ(countPixels(RGB(0, 0, 238)), 0);
}

TEST_F(LinkTest, ASuccessfulClickMarksTheLinkVisited) {
    link.SetLink(kAddress);
    Open();
    desktop.openerStarts = true;
    Click();
    EXPECT_EQ(desktop.opened, std::vector<std::string>{kAddress});
    EXPECT_TRUE(link.IsVisited());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(LinkTest, AFailedClickReportsOnceAndClearsVisited) {
    link.SetLink(kAddress);
    Open();
    link.MarkVisited(TRUE);
    Click();
    EXPECT_FALSE(link.IsVisited());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(messages.shown[0].style, unsigned{platform::MB_ICONWARNING | platform::MB_OK});
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Application);
    // The link can be clicked again.
    desktop.openerStarts = true;
    Click();
    EXPECT_TRUE(link.IsVisited());
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(LinkTest, ClicksNeedTheNotifyStyle) {
    Open();
    link.ModifyStyle(SS_NOTIFY, 0);
    Click();
    EXPECT_TRUE(desktop.opened.empty());
}

TEST_F(LinkTest, ErrorTexts) {
    link.ShowLinkError(26);
    link.ShowLinkError(4);
    link.ShowLinkError(0);
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "Unable to open hyperlink:\n\nA sharing violation occurred. ");
    EXPECT_EQ(messages.shown[1].text, "Unable to open hyperlink:\n\nUnknown Error (4) occurred.");
    EXPECT_EQ(messages.shown[2].text, "Unable to open hyperlink:\n\nThe operating system is out\nof memory or resources.");
    EXPECT_EQ(CLinkStatic::LinkErrorText(-1), "Unknown Error (-1) occurred.");
    // Every shell code of the table has its own text.
    std::set<std::string> texts;
    for (int status : {0, 2, 3, 5, 8, 11, 26, 27, 28, 29, 30, 31, 32}) texts.insert(CLinkStatic::LinkErrorText(status));
    EXPECT_EQ(texts.size(), 13u);
    EXPECT_EQ(texts.count("Unknown Error (0) occurred."), 0u);
}

TEST_F(LinkTest, HandCursorGivenOrLoaded) {
    QCursor cross(Qt::CrossCursor);
    link.SetHandCursor(&cross);
    Open();
    EXPECT_EQ(link.GetHandCursor(), &cross);
    Move(QPoint(1, 1));
    EXPECT_EQ(Control()->cursor().shape(), Qt::CrossCursor);
    link.SetHandCursor(nullptr);
    ASSERT_NE(link.GetHandCursor(), nullptr);
    EXPECT_EQ(link.GetHandCursor()->shape(), Qt::PointingHandCursor);
}

TEST_F(LinkTest, OutlivingItsWindowIsHarmless) {
    Open();
    dialog.DestroyWindow();
    EXPECT_FALSE(link.HasWindow());
    link.SetLink(kAddress);
    link.SetUnderlined(FALSE);
    link.MarkVisited(TRUE);
    EXPECT_EQ(link.GetLink(), kAddress);
    // A new window of the dialog can be attached again.
    ASSERT_TRUE(dialog.Create());
    EXPECT_TRUE(link.SubclassDlgItem(IDC_EMPTY, &dialog));
    EXPECT_EQ(link.GetWindowText(), kAddress);
}

}  // namespace
