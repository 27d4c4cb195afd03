// The write steps of the runners, without the user interface.
#include <gtest/gtest.h>

#include "loader/loader_file.h"
#include "store/entry_runners.h"
#include "store/sif_file.h"
#include "tests/support/entry_fixture.h"

using namespace menvolt_test;

namespace {

TEST(RelativeEntryFolder, IsTheFolderBelowTheShareRoot) {
    EXPECT_EQ(RelativeEntryFolder("\\\\HOST\\RemInst\\", "\\\\HOST\\RemInst\\Setup\\English\\Tools\\Zent\\i386\\"),
              "Setup\\English\\Tools\\Zent\\i386\\");
    // A computer name that begins with "Setup" does not cut the path short.
    EXPECT_EQ(RelativeEntryFolder("\\\\SETUPSRV\\RemInst\\", "\\\\SETUPSRV\\RemInst\\Setup\\English\\Images\\Zent\\i386\\"),
              "Setup\\English\\Images\\Zent\\i386\\");
    EXPECT_EQ(RelativeEntryFolder("\\\\Setup1\\RemInst\\", "\\\\Setup1\\RemInst\\Setup\\Deutsch\\Tools\\Zent\\i386\\"),
              "Setup\\Deutsch\\Tools\\Zent\\i386\\");
    // Outside the root, the text after the first "\Setup" is all there is.
    EXPECT_EQ(RelativeEntryFolder("\\\\A\\RemInst\\", "\\\\B\\RemInst\\Setup\\English\\Tools\\"), "Setup\\English\\Tools\\");
    EXPECT_EQ(RelativeEntryFolder("\\\\A\\RemInst\\", "\\\\B\\Other\\"), "");
}

struct RunnerTest : EntryTest {};

TEST_F(RunnerTest, NewEntryFilesNameEachOtherAndTakeFreeNumbers) {
    menvolt_test::WriteText(HostFile("tool0.ldr"), "taken");
    menvolt_test::WriteText(HostFile("templates/tool1.sif"), "[OSChooser]\r\n");
    MenuEntry entry(root);
    entry.m_sif.SetValue("Description", "New");
    entry.m_loader.SetItem(0, "a.img", "", "");
    WriteNewEntry(entry, folder);
    EXPECT_TRUE(messages.Empty());
    ASSERT_TRUE(std::filesystem::exists(HostFile("tool1.ldr")));
    EXPECT_TRUE(LoaderAccepted(HostFile("tool1.ldr"), folder + "tool1.ldr"));
    SifFile sif;
    ASSERT_TRUE(sif.Load(folder + "templates\\tool1_.sif"));
    EXPECT_EQ(sif.GetLaunchFile(), relative + "tool1.ldr");
    EXPECT_EQ(sif.GetValue("Version"), "1.00");
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool1.ldr"));
    EXPECT_EQ(loader.GetServerPath(), relative);
}

TEST_F(RunnerTest, EditWritesTheOsChooserFileEvenWhenTheLoaderStaysUntouched) {
    WriteEntry(3, "Three", 2);
    MenuEntry entry(root);
    ASSERT_TRUE(entry.Open(folder + "templates\\tool3.sif"));
    EXPECT_TRUE(entry.m_loaderOpened);
    entry.m_sif.SetValue("Description", "Changed");
    entry.m_loader.RemoveItem(0);
    EXPECT_TRUE(WriteEditedEntry(entry));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool3.ldr"));
    EXPECT_EQ(loader.GetItemCount(), 1);

    // A newer loader format is refused when read, and never written over.
    std::vector<uint8_t> bytes = menvolt_test::ReadBytes(HostFile("tool3.ldr"));
    bytes[loader.HeaderOffset() + 1] = 0x02;  // version 2.xx
    menvolt_test::WriteBytes(HostFile("tool3.ldr"), bytes);
    MenuEntry newer(root);
    ASSERT_TRUE(newer.Open(folder + "templates\\tool3.sif"));
    EXPECT_FALSE(newer.m_loaderOpened);
    MarkUnopenedLoader(newer);
    EXPECT_NE(newer.m_loader.m_error, 0u);
    EXPECT_FALSE(WriteEditedEntry(newer));
    EXPECT_EQ(menvolt_test::ReadBytes(HostFile("tool3.ldr")), bytes);
    EXPECT_EQ(messages.shown.back().text, "The loader file could not be read, so it was not written.");
}

}  // namespace
