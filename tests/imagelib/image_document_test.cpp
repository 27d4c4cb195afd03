// Editing through the image document: each change reaches the file whole,
// and a change that fails leaves the file and the document as they were.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "imagelib/image_document.h"
#include "tests/imagelib/dos_tools.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using imagelib::FatError;
using imagelib::FatVolume;

std::string MakeImage(const menvolt_test::TempDir& dir, const std::string& name, uint32_t mb) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(imagelib::BuildImage(mb, 0x100, bytes));
    menvolt_test::WriteBytes(dir / name, bytes);
    return (dir / name).string();
}

TEST(ImageDocument, AddedHostFilesReadBackThroughMtools) {
    menvolt_test::TempDir dir;
    for (uint32_t mb : {0u, 4u}) {
        SCOPED_TRACE(mb);
        const std::string path = MakeImage(dir, "e" + std::to_string(mb) + ".img", mb);
        imagelib::ImageDocument doc;
        std::string error;
        ASSERT_TRUE(doc.Open(path, error)) << error;
        menvolt_test::WriteText(dir / "config.sys", "FILES=20\r\n");
        menvolt_test::WriteText(dir / "Long Name.text", "long");
        ASSERT_TRUE(doc.Apply([](FatVolume& v) { return v.MakeDirectory("TOOLS"); }).ok());
        std::vector<std::string> stored;
        auto result = doc.AddHostFiles("TOOLS", {(dir / "config.sys").string(), (dir / "Long Name.text").string()},
                                       &stored);
        ASSERT_TRUE(result.ok()) << result.message;
        EXPECT_EQ(stored, (std::vector<std::string>{"CONFIG.SYS", "LONGNA~1.TEX"}));

        const size_t offset = doc.Info().volumeOffset;
        std::string report;
        ASSERT_TRUE(menvolt_test::FsckCleanFile(path, offset, &report)) << report;
        std::vector<uint8_t> got;
        ASSERT_TRUE(menvolt_test::MtoolsRead(path, offset, "TOOLS/CONFIG.SYS", got));
        EXPECT_EQ(std::string(got.begin(), got.end()), "FILES=20\r\n");
        ASSERT_TRUE(menvolt_test::MtoolsRead(path, offset, "TOOLS/LONGNA~1.TEX", got));
        EXPECT_EQ(std::string(got.begin(), got.end()), "long");

        // Extracting writes the host file; adding the same short name again replaces it.
        menvolt_test::WriteText(dir / "config.sys", "FILES=40\r\n");
        ASSERT_TRUE(doc.AddHostFiles("TOOLS", {(dir / "config.sys").string()}).ok());
        ASSERT_TRUE(doc.ExtractFile("TOOLS\\CONFIG.SYS", (dir / "out.txt").string()).ok());
        EXPECT_EQ(menvolt_test::ReadText(dir / "out.txt"), "FILES=40\r\n");
        ASSERT_TRUE(menvolt_test::FsckCleanFile(path, offset, &report)) << report;
    }
}

TEST(ImageDocument, AFailedChangeLeavesFileAndDocumentUnchanged) {
    menvolt_test::TempDir dir;
    const std::string path = MakeImage(dir, "a.img", 0);
    imagelib::ImageDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Open(path, error)) << error;
    const auto before = menvolt_test::ReadBytes(path);

    // The volume refuses: a half-done change stays in the discarded copy.
    auto result = doc.Apply([](FatVolume& v) {
        EXPECT_EQ(v.MakeDirectory("HALF"), FatError::None);
        return v.MakeDirectory("no such\\dir");
    });
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(menvolt_test::ReadBytes(path), before);
    imagelib::FatEntryInfo info;
    EXPECT_EQ(doc.Volume().Stat("HALF", info), FatError::NotFound);

    // A host file that cannot be read stops the whole addition.
    result = doc.AddHostFiles("", {(dir / "missing.txt").string()});
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(menvolt_test::ReadBytes(path), before);

    // The folder cannot be written: the message says so, nothing changes.
    if (geteuid() != 0) {
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        result = doc.Apply([](FatVolume& v) { return v.MakeDirectory("NEW"); });
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(doc.Volume().Stat("NEW", info), FatError::NotFound);
        EXPECT_EQ(menvolt_test::ReadBytes(path), before);
    }
    // A read-only image is shown but not changed, even for root.
    fs::permissions(path, fs::perms::owner_read);
    result = doc.Apply([](FatVolume& v) { return v.MakeDirectory("RO"); });
    EXPECT_NE(result.message.find("read-only"), std::string::npos) << result.message;
    EXPECT_EQ(menvolt_test::ReadBytes(path), before);
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);

    size_t entries = 0;
    for (auto& e : fs::directory_iterator(dir.path())) entries += e.path().filename() != "" ? 1 : 0;
    EXPECT_EQ(entries, 1u);  // no temporary file left behind
}

TEST(ImageDocument, AFileChangedByAnotherProgramIsNotOverwritten) {
    menvolt_test::TempDir dir;
    const std::string path = MakeImage(dir, "a.img", 0);
    imagelib::ImageDocument doc;
    std::string error;
    ASSERT_TRUE(doc.Open(path, error)) << error;
    ASSERT_TRUE(doc.Apply([](FatVolume& v) { return v.MakeDirectory("MINE"); }).ok());

    // Someone else writes the image meanwhile (here: through mtools).
    ASSERT_EQ(menvolt_test::Run("mmd " + menvolt_test::MtoolsImage(path, 0) + " ::THEIRS").exitCode, 0);
    auto result = doc.Apply([](FatVolume& v) { return v.MakeDirectory("LATER"); });
    EXPECT_FALSE(result.ok());
    EXPECT_NE(result.message.find("changed or removed by another program"), std::string::npos);
    const std::string listing = menvolt_test::Run("mdir -b " + menvolt_test::MtoolsImage(path, 0) + " ::").output;
    EXPECT_NE(listing.find("THEIRS"), std::string::npos) << listing;
    EXPECT_NE(listing.find("MINE"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("LATER"), std::string::npos) << listing;
}

// A change opened for holds the image's folder: a folder swapped in under
// the path meanwhile neither feeds its image into the change nor gets it.
TEST(ImageDocument, AChangeStaysWithTheImageItLockedWhenItsFolderIsSwapped) {
    menvolt_test::TempDir dir;
    fs::create_directories(dir / "share");
    fs::create_directories(dir / "other");
    const std::string path = MakeImage(dir, "share/a.img", 0);
    MakeImage(dir, "other/a.img", 4);
    const std::string others = menvolt_test::ReadText(dir / "other/a.img");
    imagelib::ImageDocument doc;
    std::string error;
    ASSERT_TRUE(doc.OpenForChange(path, error)) << error;
    fs::rename(dir / "share", dir / "held");
    fs::rename(dir / "other", dir / "share");
    const auto result = doc.Apply([](FatVolume& v) { return v.MakeDirectory("MINE"); });
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(menvolt_test::ReadText(dir / "share/a.img"), others);
    const std::string held = menvolt_test::MtoolsImage((dir / "held/a.img").string(), 0);
    const std::string listing = menvolt_test::Run("mdir -b " + held + " ::").output;
    EXPECT_NE(listing.find("MINE"), std::string::npos) << listing;
}

TEST(ImageDocument, FilesThatAreNotImagesAreNotOpened) {
    menvolt_test::TempDir dir;
    menvolt_test::WriteText(dir / "text.img", std::string(4096, 'x'));
    imagelib::ImageDocument doc;
    std::string error;
    EXPECT_FALSE(doc.Open((dir / "text.img").string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(doc.Open((dir / "none.img").string(), error));
    EXPECT_FALSE(doc.Open(dir.path().string(), error));
}

}  // namespace
