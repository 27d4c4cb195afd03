// The entry points as the editor sees them: the version word start-up checks,
// the application declaration, and the record checks of the two requests.
#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <sstream>
#include <string>

#include "imagelib/image_library.h"
#include "tests/imagelib/dos_tools.h"

namespace {

TEST(ImageLibraryExports, VersionWordIsOneTenWithASupportedBuild) {
    const uint32_t first = KTIMGVer();
    const uint32_t second = KTIMGVer();
    EXPECT_EQ(first, second);
    const uint32_t word = first >> 16;
    const uint32_t build = second & 0xFFFF;
    // The editor accepts 1.1x, and exactly 1.10 only from build 46 on.
    EXPECT_EQ(word & 0xFFF0, 0x0110u);
    EXPECT_GE(build, 46u);
}

TEST(ImageLibraryExports, SetApplicationKeepsTheDeclaredValue) {
    EXPECT_EQ(KTSetApplication(1), 1u);
    EXPECT_EQ(KTSetApplication(0), 0u);
}

TEST(ImageLibraryExports, RecordsKeepTheFieldOrderOfTheInterface) {
    // Nine and four fields in the documented order; 36 and 16 bytes when
    // pointers are 32 bits wide.
    EXPECT_EQ(offsetof(ImageCreateRequest, size), 0u);
    EXPECT_EQ(offsetof(ImageCreateRequest, owner), alignof(void*) == 4 ? 4u : 8u);
    EXPECT_LT(offsetof(ImageCreateRequest, owner), offsetof(ImageCreateRequest, path));
    EXPECT_LT(offsetof(ImageCreateRequest, path), offsetof(ImageCreateRequest, fixed));
    EXPECT_EQ(offsetof(ImageCreateRequest, options) - offsetof(ImageCreateRequest, fixed), 4u);
    EXPECT_EQ(offsetof(ImageCreateRequest, capacity) - offsetof(ImageCreateRequest, fixed), 12u);
    EXPECT_EQ(offsetof(ImageCreateRequest, reserved3) - offsetof(ImageCreateRequest, fixed), 20u);
    EXPECT_EQ(offsetof(ImageViewRequest, fixed), offsetof(ImageViewRequest, path) + sizeof(void*));
    if (sizeof(void*) == 4) {
        EXPECT_EQ(sizeof(ImageCreateRequest), 36u);
        EXPECT_EQ(sizeof(ImageViewRequest), 16u);
    } else {
        EXPECT_EQ(sizeof(ImageCreateRequest), 48u);
        EXPECT_EQ(sizeof(ImageViewRequest), 32u);
    }
}

TEST(ImageLibraryExports, RequestsWithTheWrongSizeAreRefused) {
    ImageCreateRequest create{};
    create.size = 36;  // the 32-bit size, wrong for this build's layout on 64-bit
    create.path = "never-created.img";
    create.fixed = KTIMG_CREATE_FIXED;
    create.options = KTIMG_OPTION_STANDARD;
    if (sizeof(void*) != 4) {
        EXPECT_EQ(KTCreateImage(&create), KTIMG_ERR_REQUEST);
    }
    EXPECT_EQ(KTCreateImage(nullptr), KTIMG_ERR_REQUEST);

    ImageViewRequest view{};
    view.size = 0;
    view.path = "never-created.img";
    view.fixed = KTIMG_VIEW_FIXED;
    EXPECT_EQ(KTViewImage(&view), KTIMG_ERR_REQUEST);
    EXPECT_EQ(KTViewImage(nullptr), KTIMG_ERR_REQUEST);
}

TEST(ImageLibraryExports, OnlyTheEntryPointsAreExported) {
    // Programs load the library by these names; nothing of its insides may
    // clash with theirs.
    menvolt_test::ToolRun run = menvolt_test::Run(std::string("nm -D --defined-only ") + MENVOLT_IMAGE_LIBRARY);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::set<std::string> functions;
    std::istringstream lines(run.output);
    std::string address, kind, name;
    while (lines >> address >> kind >> name)
        if (kind == "T" || kind == "W" || kind == "V" || kind == "i") functions.insert(name);
    EXPECT_EQ(functions, (std::set<std::string>{"KTCreateImage", "KTIMGVer", "KTSetApplication", "KTViewImage",
                                               "KTWrapDiskette"}));
}

TEST(ImageLibraryExports, ViewingNeedsAUserInterfaceAndAUsablePath) {
    ImageViewRequest view{};
    view.size = sizeof view;
    view.fixed = KTIMG_VIEW_FIXED;
    const std::string tooLong(256, 'a');
    view.path = tooLong.c_str();
    EXPECT_EQ(KTViewImage(&view), KTIMG_ERR_PATH);
    view.path = "/dev/null";
    // This program runs no QApplication: nothing can be shown.
    EXPECT_EQ(KTViewImage(&view), KTIMG_ERR_NO_UI);
}

}  // namespace
