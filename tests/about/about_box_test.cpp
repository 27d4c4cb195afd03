#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "about/about_box.h"
#include "app/editor_app.h"
#include "platform/framework/html_help.h"
#include "res/string_table.h"
#include "tests/support/fake_shell_host.h"
#include "tests/support/test_support.h"

using menvolt_test::FakeShellHost;
using menvolt_test::ScriptedMessages;

namespace {

int g_versionCalls = 0;
uint32_t g_versionAnswer = 0;
uint32_t CountingVersion() {
    ++g_versionCalls;
    return g_versionAnswer;
}

// Records help requests instead of opening a window.
struct NoWindow : framework::HelpViewer {
    NoWindow() { previous = framework::SetHelpViewer(this); }
    ~NoWindow() override { framework::SetHelpViewer(previous); }
    intptr_t ShowTopic(void*, const std::string&, const std::string&) override { return 1; }
    framework::HelpViewer* previous;
};

struct AboutBoxTest : ::testing::Test {
    ScriptedMessages messages;
    FakeShellHost desktop;
    NoWindow viewer;
    CEditorApp app;
    CAboutBox box;

    AboutBoxTest() {
        g_versionCalls = 0;
        g_versionAnswer = 0x0110002E;
        box.m_imageLibraryVersion = &CountingVersion;
        framework::ClearHelpRequests();
    }
    ~AboutBoxTest() override { framework::ClearHelpRequests(); }

    // Runs the box modally; `act` runs once it shows.
    int RunModal(std::function<void()> act) {
        QTimer timer;
        bool acted = false;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (acted || !box.Window() || !box.Window()->isVisible()) return;
            acted = true;
            act();
        });
        timer.start(10);
        QTimer::singleShot(5000, [this] {
            if (box.Window()) box.Window()->done(-1);  // a failed check must not hang the run
        });
        return box.DoModal();
    }
};

TEST_F(AboutBoxTest, ShowsBothVersionsAndTheNotices) {
    ASSERT_TRUE(box.Create());
    EXPECT_EQ(box.GetWindowText(), "About");
    EXPECT_EQ(box.GetDlgItemText(IDC_ABOUT_APP_VERSION), "App: v1.01 build 2");
    EXPECT_EQ(box.GetDlgItemText(IDC_ABOUT_LIBRARY_VERSION), "DLL: v1.10 build 46");
    EXPECT_EQ(box.GetDlgItemText(IDC_ABOUT_NOTICE1), res::LoadString(res::IDS_NOTICE1));
    EXPECT_EQ(box.GetDlgItemText(IDC_ABOUT_NOTICE2), res::LoadString(res::IDS_NOTICE2));
    EXPECT_FALSE(box.GetDlgItemText(IDC_ABOUT_NOTICE1).empty());
}

TEST_F(AboutBoxTest, LibraryVersionLineTakesEveryField) {
    EXPECT_EQ(CAboutBox::FormatLibraryVersion(0x0110002E), "DLL: v1.10 build 46");
    EXPECT_EQ(CAboutBox::FormatLibraryVersion(0x011F0000), "DLL: v1.1F build 0");
    EXPECT_EQ(CAboutBox::FormatLibraryVersion(0x1A05FFFF), "DLL: v1A.05 build 65535");
}

TEST_F(AboutBoxTest, AsksTheLibraryOnEveryOpening) {
    EXPECT_EQ(RunModal([this] { box.EndDialog(IDCANCEL); }), IDCANCEL);
    g_versionAnswer = 0x01110007;
    RunModal([this] { box.EndDialog(IDCANCEL); });
    EXPECT_EQ(g_versionCalls, 2);
}

TEST_F(AboutBoxTest, LinksToOurWebPage) {
    ASSERT_TRUE(box.Create());
    EXPECT_EQ(box.m_link.GetLink(), "https://menvolt.example.org/");
    EXPECT_EQ(box.GetDlgItemText(IDC_ABOUT_LINK), "https://menvolt.example.org/");
    EXPECT_EQ(box.m_link.GetControl(), box.GetDlgItem(IDC_ABOUT_LINK));
    EXPECT_EQ(box.m_link.ToolTip().GetToolText(1), "https://menvolt.example.org/");
    EXPECT_TRUE(box.m_link.GetControl()->font().underline());
}

TEST_F(AboutBoxTest, TechnicalSupportOpensItsHelpTopic) {
    int result = RunModal([this] {
        box.Item<QPushButton>(IDC_ABOUT_SUPPORT)->click();
        box.Item<QPushButton>(IDCANCEL)->click();
    });
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(framework::HelpRequests().size(), 1u);
    EXPECT_EQ(framework::HelpRequests()[0].command, framework::HH_HELP_CONTEXT);
    EXPECT_EQ(framework::HelpRequests()[0].data, 61u);
}

TEST_F(AboutBoxTest, ClickingTheLinkOpensThePage) {
    desktop.openerStarts = true;
    RunModal([this] {
        box.m_link.OpenLink(box.m_link.GetLink(), host::SW_SHOW);
        box.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(desktop.opened, std::vector<std::string>{"https://menvolt.example.org/"});
}

}  // namespace
