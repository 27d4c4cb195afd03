// KTCreateImage as the Create Boot Image File dialog calls it: what lands on
// disk for each capacity, and that a refused request leaves nothing behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "imagelib/image_format.h"
#include "imagelib/image_library.h"
#include "tests/imagelib/dos_tools.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// The record points at the caller's string, which must outlive the call.
ImageCreateRequest Request(const std::string& path, uint32_t capacity, uint32_t options) {
    ImageCreateRequest r{};
    r.size = sizeof(ImageCreateRequest);
    r.path = path.c_str();
    r.fixed = KTIMG_CREATE_FIXED;
    r.options = KTIMG_OPTION_STANDARD | options;
    r.capacity = capacity;
    return r;
}

size_t EntriesIn(const fs::path& dir) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(CreateImage, NormalCapacityMakesACleanDiskette) {
    menvolt_test::TempDir dir;
    const std::string path = (dir / "disk.img").string();
    auto r = Request(path, 0, 0);
    ASSERT_EQ(KTCreateImage(&r), 0);
    EXPECT_EQ(fs::file_size(path), 1474560u);
    std::string report;
    EXPECT_TRUE(menvolt_test::FsckCleanFile(path, 0, &report)) << report;
    auto run = menvolt_test::Run("mdir " + menvolt_test::MtoolsImage(path, 0) + " ::");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(CreateImage, ExtendedCapacityCarriesTheStartUpHeaderAndOptions) {
    menvolt_test::TempDir dir;
    const std::string path = (dir / "big.img").string();
    auto r = Request(path, 16, KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE);
    ASSERT_EQ(KTCreateImage(&r), 0);
    auto bytes = menvolt_test::ReadBytes(path);
    imagelib::ImageInfo info;
    ASSERT_TRUE(imagelib::InspectImage(bytes, info));
    EXPECT_TRUE(info.extended);
    EXPECT_EQ(info.kilobytes, 16384u);
    EXPECT_EQ(info.options, KTIMG_OPTION_STANDARD | KTIMG_OPTION_KEEP_UNDI | KTIMG_OPTION_KEEP_BASE);
    EXPECT_EQ(bytes.size(), info.volumeOffset + 16u * 1024 * 1024);
    std::string report;
    EXPECT_TRUE(menvolt_test::FsckCleanFile(path, info.volumeOffset, &report)) << report;

    // Base code without the driver under it is not kept.
    auto lone = Request(path, 2, KTIMG_OPTION_KEEP_BASE);
    ASSERT_EQ(KTCreateImage(&lone), 0);
    bytes = menvolt_test::ReadBytes(path);
    ASSERT_TRUE(imagelib::InspectImage(bytes, info));
    EXPECT_EQ(info.options, KTIMG_OPTION_STANDARD);
    EXPECT_EQ(info.kilobytes, 2048u);
}

TEST(CreateImage, AnExistingFileIsReplacedWhole) {
    menvolt_test::TempDir dir;
    const std::string path = (dir / "old.img").string();
    menvolt_test::WriteBytes(path, std::vector<uint8_t>(3000000, 0xEE));
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    auto r = Request(path, 0, 0);
    ASSERT_EQ(KTCreateImage(&r), 0);
    EXPECT_EQ(fs::file_size(path), 1474560u);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(CreateImage, AReadOnlyFileIsNotReplaced) {
    menvolt_test::TempDir dir;
    const std::string path = (dir / "ro.img").string();
    menvolt_test::WriteText(path, "keep me");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    auto r = Request(path, 0, 0);
    EXPECT_EQ(KTCreateImage(&r), KTIMG_ERR_WRITE);
    EXPECT_EQ(menvolt_test::ReadText(path), "keep me");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(CreateImage, RefusedRequestsLeaveNothingBehind) {
    menvolt_test::TempDir dir;
    const std::string good = (dir / "x.img").string();
    for (uint32_t capacity : {1u, 3u, 18u, 32u}) {
        auto r = Request(good, capacity, 0);
        EXPECT_EQ(KTCreateImage(&r), KTIMG_ERR_REQUEST) << capacity;
    }
    // 256 characters do not fit the 256-byte path buffer with its NUL.
    std::string longPath = (dir.path() / "").string();
    longPath += std::string(256 - longPath.size() - 4, 'a') + ".img";
    ASSERT_EQ(longPath.size(), 256u);
    auto tooLong = Request(longPath, 0, 0);
    EXPECT_EQ(KTCreateImage(&tooLong), KTIMG_ERR_PATH);
    const std::string emptyPath;
    auto empty = Request(emptyPath, 0, 0);
    EXPECT_EQ(KTCreateImage(&empty), KTIMG_ERR_PATH);
    auto noPath = Request(good, 0, 0);
    noPath.path = nullptr;
    EXPECT_EQ(KTCreateImage(&noPath), KTIMG_ERR_PATH);
    const std::string folderPath = dir.path().string() + "/";
    auto folderOnly = Request(folderPath, 0, 0);
    EXPECT_EQ(KTCreateImage(&folderOnly), KTIMG_ERR_PATH);
    EXPECT_EQ(EntriesIn(dir.path()), 0u);

    // A folder of the name, or a missing folder: write errors, no temp files.
    fs::create_directory(dir / "taken.img");
    const std::string takenPath = (dir / "taken.img").string();
    auto onFolder = Request(takenPath, 0, 0);
    EXPECT_EQ(KTCreateImage(&onFolder), KTIMG_ERR_WRITE);
    const std::string missingPath = (dir / "nope" / "x.img").string();
    auto missing = Request(missingPath, 0, 0);
    EXPECT_EQ(KTCreateImage(&missing), KTIMG_ERR_WRITE);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    EXPECT_TRUE(fs::is_empty(dir / "taken.img"));
}

}  // namespace
