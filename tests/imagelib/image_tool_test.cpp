// The menvolt-image command line, as scripts on the server use it.
#include <gtest/gtest.h>

#include "imagelib/image_format.h"
#include "tests/imagelib/dos_tools.h"
#include "tests/support/test_support.h"

namespace {

const std::string kTool = MENVOLT_IMAGE_TOOL;

TEST(ImageTool, CreatesFillsListsAndExtracts) {
    menvolt_test::TempDir dir;
    const std::string image = (dir / "tools.img").string();
    auto run = menvolt_test::Run(kTool + " create " + menvolt_test::Quote(image) + " --capacity 4 --keep-undi");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    menvolt_test::WriteText(dir / "Setup Notes.txt", "notes");
    ASSERT_EQ(menvolt_test::Run(kTool + " mkdir " + menvolt_test::Quote(image) + " DOCS").exitCode, 0);
    run = menvolt_test::Run(kTool + " add " + menvolt_test::Quote(image) + " --folder DOCS " +
                         menvolt_test::Quote((dir / "Setup Notes.txt").string()));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("-> SETUPN~1.TXT"), std::string::npos) << run.output;
    run = menvolt_test::Run(kTool + " list " + menvolt_test::Quote(image) + " DOCS");
    EXPECT_NE(run.output.find("SETUPN~1.TXT"), std::string::npos) << run.output;
    ASSERT_EQ(menvolt_test::Run(kTool + " extract " + menvolt_test::Quote(image) + " DOCS\\\\SETUPN~1.TXT " +
                             menvolt_test::Quote((dir / "out.txt").string()))
                  .exitCode,
              0);
    EXPECT_EQ(menvolt_test::ReadText(dir / "out.txt"), "notes");

    auto bytes = menvolt_test::ReadBytes(image);
    imagelib::ImageInfo info;
    ASSERT_TRUE(imagelib::InspectImage(bytes, info));
    EXPECT_EQ(info.options, 0x300);
    std::string report;
    EXPECT_TRUE(menvolt_test::FsckCleanFile(image, info.volumeOffset, &report)) << report;

    EXPECT_NE(menvolt_test::Run(kTool + " create " + menvolt_test::Quote(image) + " --capacity 5").exitCode, 0);
    EXPECT_NE(menvolt_test::Run(kTool + " list " + menvolt_test::Quote((dir / "none.img").string())).exitCode, 0);
    EXPECT_EQ(menvolt_test::Run(kTool + " bogus").exitCode, 2);
}

TEST(ImageTool, WrapsDiskettesByteForByteAndRefusesAnythingElse) {
    menvolt_test::TempDir dir;
    struct Diskette {
        const char* kb;
        uint16_t spt;
    };
    for (const Diskette& d : {Diskette{"720", 9}, Diskette{"1440", 18}, Diskette{"2880", 36}}) {
        const std::string floppy = (dir / (std::string(d.kb) + ".img")).string();
        const std::string wrapped = (dir / (std::string(d.kb) + "-wrapped.img")).string();
        ASSERT_EQ(menvolt_test::Run("mkfs.fat -C " + menvolt_test::Quote(floppy) + " " + d.kb).exitCode, 0);
        auto run = menvolt_test::Run(kTool + " wrap " + menvolt_test::Quote(floppy) + " " + menvolt_test::Quote(wrapped) +
                                  " --keep-undi --writable");
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const auto in = menvolt_test::ReadBytes(floppy);
        const auto out = menvolt_test::ReadBytes(wrapped);
        imagelib::ImageInfo info;
        ASSERT_TRUE(imagelib::InspectImage(out, info));
        EXPECT_TRUE(info.extended);
        EXPECT_EQ(info.options, 0x100 | 0x200 | 0x800);
        EXPECT_EQ(std::vector<uint8_t>(out.begin() + static_cast<long>(info.volumeOffset), out.end()), in);
        EXPECT_EQ(out[imagelib::kHeaderSectorsPerTrack], d.spt) << d.kb;
        EXPECT_EQ(out[imagelib::kHeaderHeads], 2);
    }
    // A BIOS parameter block that gives another valid layout of the same
    // size wins over the standard one (here 36 sectors, 1 head, 80 cylinders).
    {
        auto bytes = menvolt_test::ReadBytes(dir / "1440.img");
        bytes[0x18] = 36;
        bytes[0x1A] = 1;
        menvolt_test::WriteBytes(dir / "odd.img", bytes);
        ASSERT_EQ(menvolt_test::Run(kTool + " wrap " + menvolt_test::Quote((dir / "odd.img").string()) + " " +
                                 menvolt_test::Quote((dir / "odd-wrapped.img").string()))
                      .exitCode,
                  0);
        const auto out = menvolt_test::ReadBytes(dir / "odd-wrapped.img");
        EXPECT_EQ(out[imagelib::kHeaderSectorsPerTrack], 36);
        EXPECT_EQ(out[imagelib::kHeaderHeads], 1);
    }
    // Not diskettes: another size, an extended image. Refused, nothing written.
    menvolt_test::WriteBytes(dir / "short.img", std::vector<uint8_t>(1474560 - 512, 0));
    ASSERT_EQ(menvolt_test::Run(kTool + " create " + menvolt_test::Quote((dir / "ext.img").string()) + " --capacity 2").exitCode,
              0);
    for (const char* name : {"short.img", "ext.img", "1440-wrapped.img"}) {
        const std::string target = (dir / "refused.img").string();
        auto run = menvolt_test::Run(kTool + " wrap " + menvolt_test::Quote((dir / name).string()) + " " +
                                  menvolt_test::Quote(target));
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.output.find("not a diskette image"), std::string::npos) << run.output;
        EXPECT_FALSE(std::filesystem::exists(target)) << name;
    }
}

}  // namespace
