// The main list's Test Boot command: what it says when it cannot boot.
// (The boot itself is tested end to end through menvolt-cli testboot.)
#include <gtest/gtest.h>

#include <QTreeWidget>
#include <cstdlib>

#include "editor_app.h"
#include "main_dlg.h"
#include "menu_entry.h"
#include "menu_store.h"
#include "share_fixture.h"
#include "vm_boot_menu.h"

using namespace editor_test;
using testing_support::ScriptedMessages;
using testing_support::TempShare;

namespace {

struct VmBootMenuTest : ::testing::Test {
    TempShare share;
    ScriptedMessages messages;
    CEditorApp app;
    CMainDlg dialog;
    std::string savedPath = std::getenv("PATH") ? std::getenv("PATH") : "";

    void SetUp() override {
        MakeLanguage(share, "English");
        MenuEntry::SetRunners(nullptr, nullptr);
    }
    void TearDown() override { setenv("PATH", savedPath.c_str(), 1); }
    void Open() {
        app.m_risRoot = Root();
        app.m_languages = {"English"};
        app.SelectLanguage("English");
        dialog.m_pStore = &CEditorApp::Store();
        dialog.m_pHost = &app;
        ASSERT_TRUE(dialog.Create());
    }
};

}  // namespace

TEST_F(VmBootMenuTest, WithoutQemuItNamesThePackagesToInstall) {
    WriteEntry("English", "0", "Alpha", 2);
    Open();
    setenv("PATH", "/nonexistent", 1);
    VmBootEntry(dialog, 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("qemu-system-x86 and ipxe-qemu"), std::string::npos);
    EXPECT_EQ(messages.shown[0].caption, "Test Boot");
}

TEST_F(VmBootMenuTest, AnEntryWhoseLoaderCannotBeReadIsNotBooted) {
    WriteEntry("English", "0", "Alpha", 2);
    Open();
    std::filesystem::remove(Host(share, "Setup\\English\\Tools\\Zent\\i386\\tool0.ldr"));
    VmBootEntry(dialog, 0);
    if (messages.shown.size() == 1 && messages.shown[0].text.find("qemu") != std::string::npos)
        GTEST_SKIP() << "QEMU is not installed here";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Image file not found.");
}
