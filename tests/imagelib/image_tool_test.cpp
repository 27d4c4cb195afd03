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

TEST(ImageTool, WrapsDiskettesByteForByteAndRefusesAnythingElse) {
    testing_support::TempDir dir;
    struct Diskette {
        const char* kb;
        uint16_t spt;
    };
    for (const Diskette& d : {Diskette{"720", 9}, Diskette{"1440", 18}, Diskette{"2880", 36}}) {
        const std::string floppy = (dir / (std::string(d.kb) + ".img")).string();
        const std::string wrapped = (dir / (std::string(d.kb) + "-wrapped.img")).string();
        ASSERT_EQ(imagetest::Run("mkfs.fat -C " + imagetest::Quote(floppy) + " " + d.kb).exitCode, 0);
        auto run = imagetest::Run(kTool + " wrap " + imagetest::Quote(floppy) + " " + imagetest::Quote(wrapped) +
                                  " --keep-undi --writable");
        ASSERT_EQ(run.exitCode, 0) << run.output;
        const auto in = testing_support::ReadBytes(floppy);
        const auto out = testing_support::ReadBytes(wrapped);
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
        auto bytes = testing_support::ReadBytes(dir / "1440.img");
        bytes[0x18] = 36;
        bytes[0x1A] = 1;
        testing_support::WriteBytes(dir / "odd.img", bytes);
        ASSERT_EQ(imagetest::Run(kTool + " wrap " + imagetest::Quote((dir / "odd.img").string()) + " " +
                                 imagetest::Quote((dir / "odd-wrapped.img").string()))
                      .exitCode,
                  0);
        const auto out = testing_support::ReadBytes(dir / "odd-wrapped.img");
        EXPECT_EQ(out[imagelib::kHeaderSectorsPerTrack], 36);
        EXPECT_EQ(out[imagelib::kHeaderHeads], 1);
    }
    // Not diskettes: another size, an extended image. Refused, nothing written.
    testing_support::WriteBytes(dir / "short.img", std::vector<uint8_t>(1474560 - 512, 0));
    ASSERT_EQ(imagetest::Run(kTool + " create " + imagetest::Quote((dir / "ext.img").string()) + " --capacity 2").exitCode,
              0);
    for (const char* name : {"short.img", "ext.img", "1440-wrapped.img"}) {
        const std::string target = (dir / "refused.img").string();
        auto run = imagetest::Run(kTool + " wrap " + imagetest::Quote((dir / name).string()) + " " +
                                  imagetest::Quote(target));
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.output.find("not a diskette image"), std::string::npos) << run.output;
        EXPECT_FALSE(std::filesystem::exists(target)) << name;
    }
}

}  // namespace
