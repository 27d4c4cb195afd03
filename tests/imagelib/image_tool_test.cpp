// The menvolt-image command line, as scripts on the server use it.
#include <gtest/gtest.h>

#include "dos_tools.h"
#include "image_format.h"
#include "test_support.h"

namespace {

const std::string kTool = MENVOLT_IMAGE_TOOL;

TEST(ImageTool, CreatesFillsListsAndExtracts) {
    testing_support::TempDir dir;
    const std::string image = (dir / "tools.img").string();
    auto run = imagetest::Run(kTool + " create " + imagetest::Quote(image) + " --capacity 4 --keep-undi");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    testing_support::WriteText(dir / "Setup Notes.txt", "notes");
    ASSERT_EQ(imagetest::Run(kTool + " mkdir " + imagetest::Quote(image) + " DOCS").exitCode, 0);
    run = imagetest::Run(kTool + " add " + imagetest::Quote(image) + " --folder DOCS " +
                         imagetest::Quote((dir / "Setup Notes.txt").string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("-> SETUPN~1.TXT"), std::string::npos) << run.output;
    run = imagetest::Run(kTool + " list " + imagetest::Quote(image) + " DOCS");
    EXPECT_NE(run.output.find("SETUPN~1.TXT"), std::string::npos) << run.output;
    ASSERT_EQ(imagetest::Run(kTool + " extract " + imagetest::Quote(image) + " DOCS\\\\SETUPN~1.TXT " +
                             imagetest::Quote((dir / "out.txt").string()))
                  .exitCode,
              0);
    EXPECT_EQ(testing_support::ReadText(dir / "out.txt"), "notes");

    auto bytes = testing_support::ReadBytes(image);
    imagelib::ImageInfo info;
    ASSERT_TRUE(imagelib::InspectImage(bytes, info));
    EXPECT_EQ(info.options, 0x300);
    std::string report;
    EXPECT_TRUE(imagetest::FsckCleanFile(image, info.volumeOffset, &report)) << report;

    EXPECT_NE(imagetest::Run(kTool + " create " + imagetest::Quote(image) + " --capacity 5").exitCode, 0);
    EXPECT_NE(imagetest::Run(kTool + " list " + imagetest::Quote((dir / "none.img").string())).exitCode, 0);
    EXPECT_EQ(imagetest::Run(kTool + " bogus").exitCode, 2);
}

}  // namespace
