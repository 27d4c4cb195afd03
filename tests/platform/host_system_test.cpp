#include <gtest/gtest.h>

#include <cerrno>

#include "platform/host_system.h"
#include "platform/share_folder_state.h"
#include "tests/support/test_support.h"

namespace {

TEST(NetbiosName, FollowsSambasRule) {
    EXPECT_EQ(host::NetbiosName("", "build-server.example.org"), "BUILD-SERVER");
    EXPECT_EQ(host::NetbiosName("  RisHost ", "ignored.example.org"), "RISHOST");
    EXPECT_EQ(host::NetbiosName("", "averyveryverylonghostname.lan"), "AVERYVERYVERYLO");
    EXPECT_EQ(host::NetbiosName("", "x"), "X");
}

TEST(SambaConfig, FindsTheInstallationShareAndTheNetbiosName) {
    const std::string text =
        "# comment\r\n"
        "[global]\r\n"
        "   workgroup = LAB\r\n"
        "   NetBIOS Name = risbox\r\n"
        "; [reminst]\r\n"
        "[homes]\r\n"
        "   path = /home\r\n"
        "[RemInst]\r\n"
        "   comment = installation share\r\n"
        "   path = /srv/ris\\\r\n"
        "tree\r\n"
        "   read only = yes\r\n";
    host::SambaConfig config = host::ParseSambaConfig(text);
    EXPECT_EQ(config.netbiosName, "risbox");
    EXPECT_EQ(config.reminstPath, "/srv/ristree");

    EXPECT_TRUE(host::ParseSambaConfig("[global]\npath = /x\n[other]\npath=/y\n").reminstPath.empty());
    EXPECT_TRUE(host::ReadSambaConfig("/nonexistent/smb.conf").reminstPath.empty());
    EXPECT_EQ(host::ReadSambaConfig("/nonexistent/smb.conf").readError, ENOENT);
}

TEST(HostVersion, ReportsNt5AndChecksTheRecordSize) {
    host::OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = 148;
    ASSERT_TRUE(host::GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, host::VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 0u);
    info.dwOSVersionInfoSize = 156;
    EXPECT_FALSE(host::GetVersionExA(&info));
}

TEST(HostComputerName, FitsTheBufferOrSaysWhatItNeeds) {
    host::SetComputerName("RISHOST");
    char buffer[16];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(host::GetComputerNameA(buffer, &size));
    EXPECT_STREQ(buffer, "RISHOST");
    EXPECT_EQ(size, 7u);
    size = 4;
    EXPECT_FALSE(host::GetComputerNameA(buffer, &size));
    EXPECT_EQ(size, 8u);
    host::SetComputerName("");
    EXPECT_LE(host::ComputerName().size(), 15u);
    EXPECT_FALSE(host::ComputerName().empty());
}

TEST(ShareFolderState, SaysWhatTheFolderHolds) {
    using platform::ShareFolderState;
    menvolt_test::TempDir dir;
    namespace fs = std::filesystem;
    EXPECT_EQ(platform::InspectShareFolder(dir / "none"), ShareFolderState::Missing);
    menvolt_test::WriteText(dir / "file", "x");
    EXPECT_EQ(platform::InspectShareFolder(dir / "file"), ShareFolderState::NotAFolder);
    fs::create_directories(dir / "share");
    EXPECT_EQ(platform::InspectShareFolder(dir / "share"), ShareFolderState::Empty);
    // A Setup that is a file is no Setup folder; a dot name is no language.
    menvolt_test::WriteText(dir / "share" / "Setup", "x");
    EXPECT_EQ(platform::InspectShareFolder(dir / "share"), ShareFolderState::NoSetup);
    fs::remove(dir / "share" / "Setup");
    fs::create_directories(dir / "share" / "SETUP" / ".hidden");
    menvolt_test::WriteText(dir / "share" / "SETUP" / "English", "a file");
    EXPECT_EQ(platform::InspectShareFolder(dir / "share"), ShareFolderState::NoLanguage);
    fs::create_directories(dir / "share" / "SETUP" / "German");
    EXPECT_EQ(platform::InspectShareFolder(dir / "share"), ShareFolderState::HasLanguages);
}

}  // namespace
