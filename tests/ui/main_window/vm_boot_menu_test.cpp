// The main list's Test Boot command: what it says when it cannot boot.
// (The boot itself is tested end to end through menvolt-cli testboot.)
#include <gtest/gtest.h>

#include <QTreeWidget>
#include <cstdlib>

#include "app/editor_app.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "tests/support/share_fixture.h"
#include "ui/main_window/main_dlg.h"
#include "ui/main_window/vm_boot_menu.h"
#include "vmboot/vm_boot.h"

using namespace menvolt_test;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;

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
    EXPECT_EQ(messages.shown[0].text.find("The loader file \\\\TESTHOST\\RemInst\\Setup\\English\\Tools\\Zent\\i386\\tool0.ldr is missing"), 0u);
}

// Debian's QEMU without qemu-system-gui: no gtk or sdl among its displays,
// and asking for one fails as a missing module does.
TEST_F(VmBootMenuTest, WithoutADisplayModuleItSaysSoAndNamesThePackage) {
    WriteEntry("English", "0", "Alpha", 2);
    Open();
    if (!vmboot::MissingEmulator().empty()) GTEST_SKIP() << "QEMU is not installed here";
    const std::filesystem::path bin = share.path() / "stub-bin";
    std::filesystem::create_directories(bin);
    menvolt_test::WriteText(bin / "qemu-system-x86_64",
                               "#!/bin/sh\n"
                               "case \"$*\" in *'-display help'*) printf 'Available display backend types:\\nnone\\n"
                               "curses\\n'; exit 0;; esac\n"
                               "echo \"qemu: module ui-ui-gtk not found, do you want to install qemu-system-gui "
                               "package?\" >&2; echo \"Display 'gtk' is not available.\" >&2; exit 1\n");
    std::filesystem::permissions(bin / "qemu-system-x86_64", std::filesystem::perms::owner_all);
    setenv("PATH", (bin.string() + ":" + savedPath).c_str(), 1);
    VmBootEntry(dialog, 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("cannot open a window"), std::string::npos) << messages.shown[0].text;
    EXPECT_NE(messages.shown[0].text.find("install qemu-system-gui"), std::string::npos);
}

}  // namespace
