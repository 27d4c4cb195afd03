#include <gtest/gtest.h>

#include <cstdlib>

#include "app/demo_share.h"
#include "platform/file_system.h"
#include "store/menu_store.h"
#include "tests/support/test_support.h"

namespace {

struct DemoShareTest : ::testing::Test {
    menvolt_test::ScriptedMessages messages;
    std::filesystem::path folder;
    void TearDown() override {
        platform::ClearMappings();
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
};

TEST_F(DemoShareTest, HoldsEveryKindOfEntryInTwoLanguages) {
    folder = BuildDemoShare("DEMOHOST");
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(messages.Empty()) << messages.shown[0].text;
    const std::string root = "\\\\DEMOHOST\\RemInst\\";
    std::vector<std::string> languages;
    for (const auto& found : platform::ListMatches(root + "Setup\\*.*"))
        if (found.isDirectory && found.name[0] != '.') languages.push_back(found.name);
    EXPECT_EQ(languages, (std::vector<std::string>{"English", "German"}));

    MenuStore store;
    store.Load(root, "English", 0);
    std::vector<EntryKind> kinds;
    for (int i = 0; i < store.GetCount(); ++i) kinds.push_back(store.Row(i).kind);
    EXPECT_EQ(kinds, (std::vector<EntryKind>{EntryKind::Single, EntryKind::Submenu, EntryKind::Unresolved,
                                             EntryKind::Unresolved}));
    // The single entry's diskette image is a 1.44 MB FAT12 volume.
    auto floppy = folder / "Setup/English/Tools/Zent/i386/dos.img";
    ASSERT_TRUE(std::filesystem::exists(floppy));
    EXPECT_EQ(std::filesystem::file_size(floppy), 1474560u);
    std::vector<uint8_t> bytes = menvolt_test::ReadBytes(floppy);
    EXPECT_EQ(bytes[510], 0x55);
    EXPECT_EQ(bytes[511], 0xAA);
    EXPECT_EQ(std::string(bytes.begin() + 54, bytes.begin() + 62), "FAT12   ");
    // mtools reads it, when it is installed.
    if (std::system("command -v mdir >/dev/null 2>&1") == 0) {
        std::string command = "MTOOLS_SKIP_CHECK=1 mdir -i '" + floppy.string() + "' ::/ >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    store.Load(root, "English", 1);
    EXPECT_EQ(store.GetCount(), 1);
    store.Load(root, "German", 0);
    EXPECT_EQ(store.GetCount(), 1);
    EXPECT_TRUE(messages.Empty());
}

}  // namespace
