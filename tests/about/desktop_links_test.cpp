#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>

#include "about/link_static.h"
#include "platform/desktop_links.h"
#include "tests/support/fake_shell_host.h"
#include "tests/support/test_support.h"

using menvolt_test::FakeShellHost;
using Strings = std::vector<std::string>;

namespace {

// Sets an environment variable for one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = getenv(name)) m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(DesktopExec, FileOrUrlFieldCodeBecomesThePlaceholder) {
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nExec=firefox %u\n"), "firefox %1");
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nExec=browser --new-window %U\n"), "browser --new-window %1");
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nExec=viewer %f\n"), "viewer %1");
    // Only the first file code stands for the address; icon, name and
    // location codes have nothing to give; %% is a percent sign.
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nExec=b %i %c %u --rate=50%% %F %k\n"), "b   %1 --rate=50%");
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nExec=plain-browser\n"), "plain-browser");
}

TEST(DesktopExec, ReadsOnlyTheDesktopEntryGroup) {
    const char* text =
        "# comment\n[Desktop Action new-window]\nExec=b --new-window %u\n"
        "[Desktop Entry]\nName=B\nExec[de]=localised %u\nExec = \"/opt/my browser/b\" %u\r\n";
    EXPECT_EQ(host::DesktopExecCommand(text), "\"/opt/my browser/b\" %1");
    EXPECT_EQ(host::DesktopExecCommand("[Desktop Entry]\nName=No command\n"), "");
}

TEST(CommandLine, SplitsAtBlanksAndKeepsQuotedBlanks) {
    EXPECT_EQ(host::SplitCommandLine("\"/opt/my browser/b\"  -url  https://x/"),
              (Strings{"/opt/my browser/b", "-url", "https://x/"}));
    EXPECT_EQ(host::SplitCommandLine("a \"say \\\"hi\\\"\" \"\""), (Strings{"a", "say \"hi\"", ""}));
    EXPECT_TRUE(host::SplitCommandLine("   ").empty());
}

TEST(ClassesRegistry, HtmlTypeAndItsCommandComeFromTheMimeDatabase) {
    FakeShellHost desktop;
    desktop.RegisterBrowser("browser %u");
    host::HKEY key = 0;
    ASSERT_EQ(host::RegOpenKeyExA(host::HKEY_CLASSES_ROOT, ".HTM", &key), host::ERROR_SUCCESS);
    char value[64];
    size_t size = sizeof value;
    ASSERT_EQ(host::RegQueryValueExA(key, value, &size), host::ERROR_SUCCESS);
    EXPECT_STREQ(value, "web-browser.desktop");
    EXPECT_EQ(size, std::strlen("web-browser.desktop") + 1);
    host::RegCloseKey(key);
    EXPECT_EQ(desktop.mimeQueries, Strings{"text/html"});

    ASSERT_EQ(host::RegOpenKeyExA(host::HKEY_CLASSES_ROOT, "web-browser.desktop\\Shell\\Open\\Command", &key),
              host::ERROR_SUCCESS);
    size = 5;
    EXPECT_EQ(host::RegQueryValueExA(key, value, &size), host::ERROR_MORE_DATA);
    EXPECT_EQ(size, std::strlen("browser %1") + 1);
    host::RegCloseKey(key);
    EXPECT_EQ(host::RegQueryValueExA(key, value, &size), host::ERROR_INVALID_HANDLE);

    EXPECT_EQ(host::RegOpenKeyExA(host::HKEY_CLASSES_ROOT, "other.desktop\\shell\\open\\command", &key),
              host::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(host::RegOpenKeyExA(host::HKEY_CLASSES_ROOT, ".txt", &key), host::ERROR_FILE_NOT_FOUND);
    desktop.defaults.clear();
    EXPECT_EQ(host::RegOpenKeyExA(host::HKEY_CLASSES_ROOT, ".htm", &key), host::ERROR_FILE_NOT_FOUND);
}

TEST(DesktopFiles, FoundInTheUserFolderBeforeTheSystemFolders) {
    menvolt_test::TempDir user, system;
    std::filesystem::create_directories(user / "applications");
    std::filesystem::create_directories(system / "applications");
    menvolt_test::WriteText(system / "applications" / "b.desktop", "system");
    menvolt_test::WriteText(system / "applications" / "c.desktop", "only system");
    menvolt_test::WriteText(user / "applications" / "b.desktop", "user");
    ScopedEnv home("XDG_DATA_HOME", user.path().string());
    ScopedEnv dirs("XDG_DATA_DIRS", "/nonexistent:" + system.path().string());
    host::ShellHost real;
    std::string text;
    ASSERT_TRUE(real.ReadDesktopFile("b.desktop", &text));
    EXPECT_EQ(text, "user");
    ASSERT_TRUE(real.ReadDesktopFile("c.desktop", &text));
    EXPECT_EQ(text, "only system");
    EXPECT_FALSE(real.ReadDesktopFile("d.desktop", &text));
    // An id names a file in an applications folder, never a path elsewhere.
    EXPECT_FALSE(real.ReadDesktopFile("../applications/c.desktop", &text));
}

// ---- the fallback's command line ---------------------------------------------

const std::string kSiteAddress = "https://menvolt.example.org/";

std::string Build(const char* command, const std::string& address = kSiteAddress) {
    char buffer[CLinkStatic::kCommandBufferSize];
    if (!CLinkStatic::BuildBrowserCommand(command, address, buffer, sizeof buffer)) return "<refused>";
    return buffer;
}

TEST(BrowserCommand, PlaceholderRules) {
    // The quoted placeholder is found first; it and everything after it go.
    EXPECT_EQ(Build("\"C:\\Browser\\b.exe\" -osint -url \"%1\" --tail"),
              "\"C:\\Browser\\b.exe\" -osint -url  " + kSiteAddress);
    // A bare placeholder when there is no quoted one.
    EXPECT_EQ(Build("b -url %1 --tail"), "b -url  " + kSiteAddress);
    // A quoted one wins even when a bare one comes first.
    EXPECT_EQ(Build("b %1x \"%1\""), "b %1x  " + kSiteAddress);
    // No placeholder: a blank and the address at the end.
    EXPECT_EQ(Build("b --new"), "b --new " + kSiteAddress);
    EXPECT_EQ(Build(""), " " + kSiteAddress);
}

TEST(BrowserCommand, NeverWritesPastTheBuffer) {
    const size_t size = CLinkStatic::kCommandBufferSize;
    std::string command(100, 'c');
    // Command, blank, address and NUL exactly fill the buffer.
    std::string address(size - command.size() - 2, 'a');
    std::vector<char> memory(size + 16, '#');
    ASSERT_TRUE(CLinkStatic::BuildBrowserCommand(command.c_str(), address, memory.data(), size));
    EXPECT_EQ(std::strlen(memory.data()), size - 1);
    address += 'a';
    std::fill(memory.begin(), memory.end(), '#');
    EXPECT_FALSE(CLinkStatic::BuildBrowserCommand(command.c_str(), address, memory.data(), size));
    for (size_t i = 0; i < memory.size(); ++i) ASSERT_EQ(memory[i], '#') << "byte " << i << " written";
}

// ---- the real desktop's opener ----------------------------------------------

// A desktop whose xdg-open ends with `openerExit` and whose MIME database
// knows no browser.
struct ScriptedDesktop {
    explicit ScriptedDesktop(int openerExit)
        : path("PATH", bin.path().string() + ":/usr/bin:/bin"), dataHome("XDG_DATA_HOME", bin.path().string()),
          dataDirs("XDG_DATA_DIRS", bin.path().string()) {
        Script("xdg-open", "echo \"$1\" > '" + (bin / "opened").string() + "'; exit " + std::to_string(openerExit));
        Script("xdg-mime", "exit 1");
    }
    void Script(const std::string& name, const std::string& body) {
        menvolt_test::WriteText(bin / name, "#!/bin/sh\n" + body + "\n");
        std::filesystem::permissions(bin / name, std::filesystem::perms::owner_all);
    }
    menvolt_test::TempDir bin;
    ScopedEnv path, dataHome, dataDirs;
};

TEST(RealDesktop, TheOpenersExitStatusDecides) {
    CLinkStatic link;
    {
        ScriptedDesktop desktop(0);
        EXPECT_EQ(host::ShellExecuteOpen(kSiteAddress, host::SW_SHOW), host::kShellOpenSucceeded);
        EXPECT_EQ(menvolt_test::ReadText(desktop.bin / "opened"), kSiteAddress + "\n");
    }
    {
        // xdg-open's "no program to open it" (3) and "the program failed" (4)
        // are failures, and without a browser of our own they stand.
        ScriptedDesktop desktop(3);
        EXPECT_EQ(host::ShellExecuteOpen(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
        EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    }
    {
        ScriptedDesktop desktop(4);
        EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    }
    {
        // No opener at all.
        ScopedEnv path("PATH", "/nonexistent");
        EXPECT_EQ(host::ShellExecuteOpen(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    }
}

// ---- OpenLink ------------------------------------------------------------------

TEST(OpenLink, TheDesktopOpenerComesFirst) {
    FakeShellHost desktop;
    desktop.openerStarts = true;
    desktop.RegisterBrowser("browser %u");
    CLinkStatic link;
    EXPECT_GT(link.OpenLink(kSiteAddress, host::SW_SHOW), 32);
    EXPECT_EQ(desktop.opened, Strings{kSiteAddress});
    EXPECT_TRUE(desktop.mimeQueries.empty());
    EXPECT_TRUE(desktop.started.empty());
}

TEST(OpenLink, FallsBackToTheBrowserForWebPages) {
    FakeShellHost desktop;
    desktop.RegisterBrowser("\"/opt/web browser/b\" -url \"%u\" --dropped");
    CLinkStatic link;
    EXPECT_GT(link.OpenLink(kSiteAddress, host::SW_SHOW), 32);
    ASSERT_EQ(desktop.started.size(), 1u);
    EXPECT_EQ(desktop.started[0], (Strings{"/opt/web browser/b", "-url", kSiteAddress}));
}

TEST(OpenLink, WithoutABrowserTheOpenersFailureStands) {
    FakeShellHost desktop;
    CLinkStatic link;
    EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    // A handler without a desktop file ends the fallback the same way.
    desktop.defaults["text/html"] = "gone.desktop";
    EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    // So does a command longer than a registry value may be.
    desktop.RegisterBrowser(std::string(300, 'b') + " %u");
    EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), host::SE_ERR_NOASSOC);
    EXPECT_TRUE(desktop.started.empty());
}

TEST(OpenLink, ACommandTooLongOrAProgramThatWillNotStartFails) {
    FakeShellHost desktop;
    desktop.RegisterBrowser("browser %u");
    CLinkStatic link;
    std::string longAddress = "https://menvolt.example.org/" + std::string(600, 'x');
    EXPECT_EQ(link.OpenLink(longAddress, host::SW_SHOW), host::SE_ERR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(desktop.started.empty());
    desktop.processStarts = false;
    EXPECT_EQ(link.OpenLink(kSiteAddress, host::SW_SHOW), 0);
}

TEST(ReadRegistryDefault, CopiesTheValueOrReturnsTheError) {
    FakeShellHost desktop;
    desktop.RegisterBrowser("browser %u");
    CLinkStatic link;
    char out[CLinkStatic::kCommandBufferSize];
    EXPECT_EQ(link.ReadRegistryDefault(host::HKEY_CLASSES_ROOT, ".htm", out, sizeof out), 0);
    EXPECT_STREQ(out, "web-browser.desktop");
    EXPECT_EQ(link.ReadRegistryDefault(host::HKEY_CLASSES_ROOT, ".nothing", out, sizeof out), host::ERROR_FILE_NOT_FOUND);
    // A value that does not fit the caller's buffer is not read at all.
    char small[8];
    EXPECT_EQ(link.ReadRegistryDefault(host::HKEY_CLASSES_ROOT, ".htm", small, sizeof small), host::ERROR_MORE_DATA);
}

}  // namespace
