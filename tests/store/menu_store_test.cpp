#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/file_system.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "store/sif_file.h"
#include "tests/support/share_fixture.h"

using namespace menvolt_test;
using menvolt_test::ReadText;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;

namespace {

const std::string kTools = "Setup\\English\\Tools\\Zent\\i386\\";

struct StoreTest : ::testing::Test {
    TempShare share;
    ScriptedMessages messages;
    MenuStore store;
    void SetUp() override { MakeLanguage(share, "English"); }
    void Load(int tab = 0) { store.Load(Root(), "English", tab); }
};

TEST_F(StoreTest, ListsKindsInNameOrderAndMarksReadOnlyFiles) {
    WriteEntry("English", "1", "Submenu of three", 3);
    WriteEntry("English", "0", "Single item", 1);
    WriteEntry("English", "2", "No items", 0);
    WriteSif("English", "tool3.sif", "Empty launch", "");
    WriteSif("English", "tool4.sif", "Missing loader", kTools + "tool4.ldr");
    WriteEntry("English", "5", "Read-only", 1);
    chmod(Host(share, kTools + "templates\\tool5.sif").c_str(), 0444);
    // Another extension's case still lists, as the server's file system matches.
    WriteSif("English", "TOOL6.SIF", "Upper case name", "");
    Load();

    // A file this user may read but not write is listed, and marked.
    ASSERT_EQ(store.GetCount(), 7);
    const std::vector<std::pair<std::string, EntryKind>> expected = {
        {"Single item", EntryKind::Single}, {"Submenu of three", EntryKind::Submenu}, {"No items", EntryKind::Single},
        {"Empty launch", EntryKind::Unresolved}, {"Missing loader", EntryKind::Unresolved}, {"Read-only", EntryKind::Single},
        {"Upper case name", EntryKind::Unresolved}};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(store.Row(i).description, expected[i].first) << i;
        EXPECT_EQ(store.Row(i).kind, expected[i].second) << i;
        EXPECT_EQ(store.Row(i).readOnly, i == 5) << i;
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(StoreTest, EmptyTemplatesFolderAndNewTabChain) {
    Load();
    EXPECT_EQ(store.GetCount(), 0);
    // Tab 1 of a language without an Images folder: the chain is made.
    Load(1);
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(store.GetFolder(), Root() + "Setup\\English\\Images\\Zent\\i386\\");
    EXPECT_TRUE(std::filesystem::is_directory(share.path() / "Setup/English/Images/Zent/i386/templates"));
    EXPECT_TRUE(messages.Empty());
}

TEST_F(StoreTest, MissingLanguageFolderEmptiesTheStoreAndRefusesAdd) {
    WriteEntry("English", "0", "Old entry", 1);
    Load();
    ASSERT_EQ(store.GetCount(), 1);
    store.Load(Root(), "French", 0);
    ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Unable to find path: " + Root() + "Setup\\French"});
    EXPECT_EQ(messages.shown[0].caption, "Menvolt");
    EXPECT_EQ(messages.shown[0].style & platform::MB_ICON_MASK, platform::MB_ICONERROR);
    EXPECT_EQ(store.GetCount(), 0);

    // Add must not write anything into the Setup folder.
    MenuEntry::SetRunners(
        [](MenuEntry& entry, const std::string& folder) -> BOOL {
            entry.m_folder = folder;
            return entry.m_sif.SaveAs(folder + "written.sif");
        },
        nullptr);
    std::string description;
    EXPECT_FALSE(store.CreateEntry(description));
    MenuEntry::SetRunners(nullptr, nullptr);
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text, "Unable to find path: " + Root() + "Setup\\French");
    EXPECT_FALSE(std::filesystem::exists(share.path() / "Setup" / "written.sif"));
    EXPECT_FALSE(std::filesystem::exists(share.path() / "Setup" / "Frenchwritten.sif"));
}

TEST_F(StoreTest, CreateEntryRefreshesAndReportsTheNewDescription) {
    Load();
    std::string description;
    MenuEntry::SetRunners(nullptr, nullptr);
    EXPECT_FALSE(store.CreateEntry(description));  // no wizard: counts as cancelled
    MenuEntry::SetRunners(
        [](MenuEntry& entry, const std::string& folder) -> BOOL {
            entry.m_folder = folder;
            std::string loader, sif;
            entry.AllocateFileNames(loader, sif);
            entry.m_loader.SaveAs(folder + loader);
            entry.m_sif.SetValue("Description", "Fresh");
            entry.m_sif.SetValue("LaunchFile", folder.substr(Root().size()) + loader);
            return entry.m_sif.SaveAs(folder + sif);
        },
        nullptr);
    EXPECT_TRUE(store.CreateEntry(description));
    MenuEntry::SetRunners(nullptr, nullptr);
    EXPECT_EQ(description, "Fresh");
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.Row(0).kind, EntryKind::Single);
}

TEST_F(StoreTest, FindByDescriptionIsExact) {
    WriteEntry("English", "0", "Same", 1);
    WriteEntry("English", "1", "Same", 2);
    Load();
    EXPECT_EQ(store.FindByDescription("Same"), 0);
    EXPECT_EQ(store.FindByDescription("same"), -1);
    EXPECT_EQ(store.FindByDescription("Sam"), -1);
}

TEST_F(StoreTest, AllocateFileNamesFillsGapsAndAvoidsTakenOSChooserNames) {
    MenuEntry entry(Root());
    entry.m_folder = EntryFolder("English");
    std::string loader, sif;
    entry.AllocateFileNames(loader, sif);
    EXPECT_EQ(loader, "tool0.ldr");
    EXPECT_EQ(sif, "templates\\tool0.sif");

    WriteLoader("English", "tool0.ldr", 1);
    WriteLoader("English", "TOOL2.LDR", 1);  // names match without regard to case
    entry.AllocateFileNames(loader, sif);
    EXPECT_EQ(loader, "tool1.ldr");
    EXPECT_EQ(sif, "templates\\tool1.sif");

    WriteSif("English", "tool1.sif", "Orphan", "");
    WriteSif("English", "tool1_.sif", "Orphan too", "");
    entry.AllocateFileNames(loader, sif);
    EXPECT_EQ(loader, "tool1.ldr");
    EXPECT_EQ(sif, "templates\\tool1__.sif");
}

TEST_F(StoreTest, DeleteRemovesBothFilesButLeavesImages) {
    WriteEntry("English", "0", "Keep", 1);
    WriteEntry("English", "1", "Remove me", 2);
    menvolt_test::WriteText(Host(share, kTools + "disk0.img"), "image");
    Load();
    EXPECT_TRUE(store.DeleteEntry(1));
    EXPECT_TRUE(messages.Empty());
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "templates\\tool1.sif")));
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "tool1.ldr")));
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "disk0.img")));
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.Row(0).description, "Keep");
}

TEST_F(StoreTest, DeleteOfAVanishedFileReportsCauseTwoAndRefreshes) {
    WriteEntry("English", "0", "Gone", 1);
    WriteEntry("English", "1", "Stays", 1);
    Load();
    std::filesystem::remove(Host(share, kTools + "templates\\tool0.sif"));
    store.DeleteEntry(0);
    ASSERT_EQ(messages.Texts(),
              std::vector<std::string>{"Unable to remove file " + Root() + kTools + "templates\\tool0.sif\nerror 2"});
    EXPECT_EQ(messages.shown[0].style & platform::MB_ICON_MASK, platform::MB_ICONERROR);
    // Nothing else was removed: the loader stays, and the list shows what exists.
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.Row(0).description, "Stays");
}

TEST_F(StoreTest, DeleteWithEmptyLaunchFileRemovesOnlyTheOSChooserFile) {
    WriteLoader("English", "tool0.ldr", 1);
    WriteSif("English", "tool0.sif", "No launch", "");
    Load();
    store.DeleteEntry(0);
    EXPECT_TRUE(messages.Empty());
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    EXPECT_EQ(store.GetCount(), 0);
}

TEST_F(StoreTest, DeleteKeepsALoaderAnotherEntryStillNames) {
    WriteEntry("English", "0", "Orphan", 1);
    WriteSif("English", "tool0_.sif", "Newer", kTools + "TOOL0.LDR");
    Load();
    ASSERT_EQ(store.GetCount(), 2);
    store.DeleteEntry(0);
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"The file " + Root() + kTools +
                                                         "tool0.ldr was kept: another entry still names it."});
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.Row(0).kind, EntryKind::Single);
    // The last one to name it takes the loader with it.
    store.DeleteEntry(0);
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(StoreTest, DeleteReportsAReadOnlyLoaderWithCauseFive) {
    WriteEntry("English", "0", "Protected loader", 1);
    chmod(Host(share, kTools + "tool0.ldr").c_str(), 0444);
    Load();
    // Whole or not at all: the OSChooser file stays too.
    EXPECT_FALSE(store.DeleteEntry(0));
    // The share's name and the file on this computer, in one sentence.
    ASSERT_EQ(messages.Texts(), std::vector<std::string>{"Nothing was removed: " + Root() + kTools + "tool0.ldr (on this "
                                                         "computer " + Host(share, kTools + "tool0.ldr").string() +
                                                         ") cannot be written: the file is write-protected."});
    EXPECT_EQ(store.GetCount(), 1);
}

TEST_F(StoreTest, LaunchFilesLeadingOutOfTheShareAreUnresolvedAndNeverRemoved) {
    // A loader-like victim beside the share, and one inside for the link.
    menvolt_test::TempDir outside;
    WriteLoader("English", "tool0.ldr", 1);
    std::filesystem::copy_file(Host(share, kTools + "tool0.ldr"), outside / "victim.ldr");
    std::filesystem::create_symlink(outside / "victim.ldr", Host(share, kTools + "link.ldr"));
    const std::string up = std::string("..\\..\\") + outside.path().filename().string() + "\\victim.ldr";
    const std::vector<std::string> launches = {
        "Setup\\..\\..\\" + outside.path().filename().string() + "\\victim.ldr",
        up,
        "\\" + outside.path().relative_path().string() + "/victim.ldr",
        "Z:" + outside.path().string() + "/victim.ldr",
        "\\\\TESTHOST\\RemInst\\" + kTools + "tool0.ldr",
        kTools + "link.ldr",
    };
    for (size_t i = 0; i < launches.size(); ++i)
        WriteSif("English", "tool" + std::to_string(i + 1) + ".sif", "Outside " + std::to_string(i), launches[i]);
    Load();
    ASSERT_EQ(store.GetCount(), static_cast<int>(launches.size()));
    for (int i = 0; i < store.GetCount(); ++i) EXPECT_EQ(store.Row(i).kind, EntryKind::Unresolved) << launches[i];

    while (store.GetCount() > 0) store.DeleteEntry(0);
    EXPECT_TRUE(std::filesystem::exists(outside / "victim.ldr"));
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    for (const auto& box : messages.shown) EXPECT_EQ(box.text, "The file lies outside the share and was left alone.");
    EXPECT_EQ(messages.shown.size(), launches.size());
}

TEST_F(StoreTest, EntryOpenMarksAnEmptyLaunchFile) {
    WriteSif("English", "tool0.sif", "Empty", "");
    MenuEntry entry(Root());
    EXPECT_TRUE(entry.Open(EntryFolder("English") + "templates\\tool0.sif"));
    EXPECT_EQ(entry.m_loader.m_error, 57351u);
    EXPECT_EQ(entry.m_sif.GetDescription(), "Empty");
    EXPECT_FALSE(entry.Open(EntryFolder("English") + "templates\\missing.sif"));
}

TEST(StoreCauses, FileErrorsMapToTheFrameworkCauseNumbers) {
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::None)), 0u);
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::FileNotFound)), 2u);
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::BadPath)), 3u);
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::AccessDenied)), 5u);
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::SharingViolation)), 11u);
    EXPECT_EQ(FileErrorCause(static_cast<int>(platform::FileError::Other)), 1u);
}

}  // namespace
