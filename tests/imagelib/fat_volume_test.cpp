// The FAT module against Debian's tools: every volume it formats or edits
// must pass fsck.fat -n, and what it stores must read back through mtools
// (and what mtools stores must read back through it).
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "imagelib/fat_volume.h"
#include "imagelib/image_format.h"
#include "tests/imagelib/dos_tools.h"
#include "tests/support/test_support.h"

namespace {

using imagelib::FatError;
using imagelib::FatVolume;
using menvolt_test::FsckClean;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> v(size);
    for (size_t i = 0; i < size; ++i) v[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 9));
    return v;
}

uint16_t Get16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

struct Floppy {
    std::vector<uint8_t> bytes;
    FatVolume volume;
    Floppy() {
        EXPECT_TRUE(imagelib::BuildImage(0, 0, bytes));
        EXPECT_TRUE(volume.Mount(bytes, 0));
    }
};

TEST(FatFormat, DisketteHasTheStandardGeometryAndPassesFsck) {
    Floppy f;
    ASSERT_EQ(f.bytes.size(), 1474560u);
    EXPECT_EQ(Get16(f.bytes, 0x0B), 512);      // bytes per sector
    EXPECT_EQ(f.bytes[0x0D], 1);               // sectors per cluster
    EXPECT_EQ(Get16(f.bytes, 0x11), 224);      // root entries
    EXPECT_EQ(Get16(f.bytes, 0x13), 2880);     // total sectors
    EXPECT_EQ(f.bytes[0x15], 0xF0);            // media
    EXPECT_EQ(Get16(f.bytes, 0x16), 9);        // sectors per FAT
    EXPECT_EQ(Get16(f.bytes, 0x18), 18);       // sectors per track
    EXPECT_EQ(Get16(f.bytes, 0x1A), 2);        // heads
    EXPECT_EQ(f.bytes[510], 0x55);
    EXPECT_EQ(f.bytes[511], 0xAA);
    EXPECT_FALSE(f.volume.IsFat16());
    EXPECT_EQ(f.volume.FreeBytes(), f.volume.TotalBytes());
    EXPECT_EQ(f.volume.TotalBytes(), 2847u * 512);
    std::string report;
    EXPECT_TRUE(FsckClean(f.bytes, 0, &report)) << report;
}

TEST(FatFormat, EveryExtendedCapacityIsAValidVolumeBehindItsHeader) {
    menvolt_test::TempDir dir;
    for (uint32_t mb = 2; mb <= 16; mb += 2) {
        SCOPED_TRACE(mb);
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(imagelib::BuildImage(mb, 0x300, bytes));
        imagelib::ImageInfo info;
        ASSERT_TRUE(imagelib::InspectImage(bytes, info));
        EXPECT_TRUE(info.extended);
        EXPECT_EQ(info.kilobytes, mb * 1024);
        EXPECT_EQ(info.options, 0x300);
        EXPECT_EQ(info.volumeOffset % 512, 0u);
        EXPECT_EQ(bytes.size(), info.volumeOffset + mb * 1024 * 1024);
        EXPECT_EQ(std::string(bytes.begin() + 0x0E, bytes.begin() + 0x12), "ExTx");
        EXPECT_EQ(Get16(bytes, 0x0A), info.volumeOffset);
        EXPECT_EQ(Get16(bytes, 0x0C), mb * 1024);
        FatVolume v;
        ASSERT_TRUE(v.Mount(bytes, info.volumeOffset));
        EXPECT_EQ(v.IsFat16(), mb > 8);
        std::string report;
        EXPECT_TRUE(FsckClean(bytes, info.volumeOffset, &report)) << report;
        menvolt_test::WriteBytes(dir / "x.img", bytes);
        auto run = menvolt_test::Run("mdir " + menvolt_test::MtoolsImage(dir / "x.img", info.volumeOffset) + " ::");
        EXPECT_EQ(run.exitCode, 0) << run.output;
    }
    std::vector<uint8_t> none;
    EXPECT_FALSE(imagelib::BuildImage(3, 0, none));
    EXPECT_FALSE(imagelib::BuildImage(18, 0, none));
}

TEST(FatFiles, FilesAndFoldersReadBackThroughMtools) {
    Floppy f;
    const auto small = Pattern(100, 1);
    const auto exact = Pattern(512 * 3, 2);      // a whole number of clusters
    const auto large = Pattern(300000, 3);
    ASSERT_EQ(f.volume.WriteFile("SMALL.TXT", small.data(), small.size(), false), FatError::None);
    ASSERT_EQ(f.volume.WriteFile("empty", nullptr, 0, false), FatError::None);
    ASSERT_EQ(f.volume.MakeDirectory("DOS"), FatError::None);
    ASSERT_EQ(f.volume.MakeDirectory("dos\\drivers"), FatError::None);
    ASSERT_EQ(f.volume.WriteFile("DOS\\EXACT.BIN", exact.data(), exact.size(), false), FatError::None);
    ASSERT_EQ(f.volume.WriteFile("/dos/drivers/large.sys", large.data(), large.size(), false), FatError::None);

    menvolt_test::TempDir dir;
    menvolt_test::WriteBytes(dir / "f.img", f.bytes);
    std::string report;
    ASSERT_TRUE(menvolt_test::FsckCleanFile(dir / "f.img", 0, &report)) << report;
    std::vector<uint8_t> got;
    ASSERT_TRUE(menvolt_test::MtoolsRead(dir / "f.img", 0, "SMALL.TXT", got));
    EXPECT_EQ(got, small);
    ASSERT_TRUE(menvolt_test::MtoolsRead(dir / "f.img", 0, "DOS/EXACT.BIN", got));
    EXPECT_EQ(got, exact);
    ASSERT_TRUE(menvolt_test::MtoolsRead(dir / "f.img", 0, "DOS/DRIVERS/LARGE.SYS", got));
    EXPECT_EQ(got, large);
    ASSERT_TRUE(menvolt_test::MtoolsRead(dir / "f.img", 0, "EMPTY", got));
    EXPECT_TRUE(got.empty());

    // And through the module itself, with the listing it gives.
    std::vector<imagelib::FatEntryInfo> list;
    ASSERT_EQ(f.volume.List("DOS", list), FatError::None);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "DRIVERS");
    EXPECT_TRUE(list[0].isDirectory);
    EXPECT_EQ(list[1].name, "EXACT.BIN");
    EXPECT_EQ(list[1].size, exact.size());
    ASSERT_EQ(f.volume.ReadFile("dos\\drivers\\LARGE.SYS", got), FatError::None);
    EXPECT_EQ(got, large);
}

TEST(FatFiles, ReplaceRemoveAndRenameKeepTheVolumeConsistent) {
    Floppy f;
    const uint64_t empty = f.volume.FreeBytes();
    const auto a = Pattern(20000, 4), b = Pattern(700, 5);
    ASSERT_EQ(f.volume.WriteFile("A.BIN", a.data(), a.size(), false), FatError::None);
    EXPECT_EQ(f.volume.WriteFile("A.BIN", b.data(), b.size(), false), FatError::Exists);
    ASSERT_EQ(f.volume.WriteFile("A.BIN", b.data(), b.size(), true), FatError::None);
    EXPECT_EQ(f.volume.FreeBytes(), empty - 2 * 512);
    ASSERT_EQ(f.volume.MakeDirectory("TREE"), FatError::None);
    ASSERT_EQ(f.volume.MakeDirectory("TREE\\SUB"), FatError::None);
    ASSERT_EQ(f.volume.WriteFile("TREE\\SUB\\C.BIN", a.data(), a.size(), false), FatError::None);
    EXPECT_EQ(f.volume.MakeDirectory("TREE"), FatError::Exists);
    EXPECT_EQ(f.volume.WriteFile("TREE", b.data(), b.size(), true), FatError::IsADirectory);
    EXPECT_EQ(f.volume.MakeDirectory("A.BIN\\X"), FatError::NotADirectory);
    EXPECT_EQ(f.volume.WriteFile("NOPE\\X.BIN", b.data(), b.size(), false), FatError::NotFound);

    EXPECT_EQ(f.volume.Rename("A.BIN", "TREE"), FatError::Exists);
    EXPECT_EQ(f.volume.Rename("A.BIN", "too-long-name.txt"), FatError::InvalidName);
    ASSERT_EQ(f.volume.Rename("a.bin", "b.dat"), FatError::None);
    ASSERT_EQ(f.volume.Rename("TREE", "FOREST"), FatError::None);
    std::string report;
    ASSERT_TRUE(FsckClean(f.bytes, 0, &report)) << report;

    ASSERT_EQ(f.volume.Remove("FOREST"), FatError::None);  // with everything in it
    ASSERT_EQ(f.volume.Remove("B.DAT"), FatError::None);
    EXPECT_EQ(f.volume.Remove("B.DAT"), FatError::NotFound);
    EXPECT_EQ(f.volume.FreeBytes(), empty);
    std::vector<imagelib::FatEntryInfo> list;
    ASSERT_EQ(f.volume.List("", list), FatError::None);
    EXPECT_TRUE(list.empty());
    ASSERT_TRUE(FsckClean(f.bytes, 0, &report)) << report;
}

// Other systems store short names that start with a dot (the msdos file
// system's dotsOK option); only "." and ".." are a folder's own entries.
TEST(FatFiles, ANameStartingWithADotIsAFileLikeAnyOther) {
    Floppy f;
    const uint64_t empty = f.volume.FreeBytes();
    const auto data = Pattern(3000, 6);
    ASSERT_EQ(f.volume.MakeDirectory("HOME"), FatError::None);
    ASSERT_EQ(f.volume.WriteFile("HOME\\XPROFILE", data.data(), data.size(), false), FatError::None);
    const std::string stored = "XPROFILE   ";
    auto at = std::search(f.bytes.begin(), f.bytes.end(), stored.begin(), stored.end());
    ASSERT_NE(at, f.bytes.end());
    *at = '.';
    std::vector<imagelib::FatEntryInfo> list;
    ASSERT_EQ(f.volume.List("HOME", list), FatError::None);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, ".PROFILE");
    ASSERT_EQ(f.volume.Remove("HOME"), FatError::None);
    EXPECT_EQ(f.volume.FreeBytes(), empty);  // its clusters are not left behind as a lost chain
    EXPECT_EQ(f.volume.CheckStructure(), FatError::None);
}

TEST(FatFiles, AFolderGrowsPastOneClusterAndTheRootStopsAtItsLimit) {
    Floppy f;
    ASSERT_EQ(f.volume.MakeDirectory("MANY"), FatError::None);
    const auto data = Pattern(10, 6);
    for (int i = 0; i < 40; ++i)  // 16 entries fit in one 512-byte cluster
        ASSERT_EQ(f.volume.WriteFile("MANY\\F" + std::to_string(i) + ".TXT", data.data(), data.size(), false),
                  FatError::None);
    std::vector<imagelib::FatEntryInfo> list;
    ASSERT_EQ(f.volume.List("MANY", list), FatError::None);
    EXPECT_EQ(list.size(), 40u);
    for (int i = 0; i < 223; ++i)  // MANY holds the 224th entry
        ASSERT_EQ(f.volume.WriteFile("R" + std::to_string(i), data.data(), data.size(), false), FatError::None)
            << i;
    const std::vector<uint8_t> before = f.bytes;
    EXPECT_EQ(f.volume.WriteFile("ONEMORE", data.data(), data.size(), false), FatError::RootFull);
    EXPECT_EQ(f.volume.MakeDirectory("ONEMORE"), FatError::RootFull);
    EXPECT_EQ(f.bytes, before);
    std::string report;
    EXPECT_TRUE(FsckClean(f.bytes, 0, &report)) << report;
    menvolt_test::TempDir dir;
    menvolt_test::WriteBytes(dir / "f.img", f.bytes);
    auto run = menvolt_test::Run("mdir -b " + menvolt_test::MtoolsImage(dir / "f.img", 0) + " ::MANY");
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 40) << run.output;
}

TEST(FatFiles, AFullDiskRefusesAWriteAndChangesNothing) {
    Floppy f;
    const auto big = Pattern(static_cast<size_t>(f.volume.FreeBytes()) - 512, 7);
    ASSERT_EQ(f.volume.WriteFile("BIG.BIN", big.data(), big.size(), false), FatError::None);
    const std::vector<uint8_t> before = f.bytes;
    const auto two = Pattern(1024, 8);
    EXPECT_EQ(f.volume.WriteFile("TWO.BIN", two.data(), two.size(), false), FatError::DiskFull);
    EXPECT_EQ(f.bytes, before);
    // A replacement may reuse the clusters of the file it replaces.
    EXPECT_EQ(f.volume.WriteFile("BIG.BIN", two.data(), two.size(), true), FatError::None);
    std::string report;
    EXPECT_TRUE(FsckClean(f.bytes, 0, &report)) << report;
}

TEST(FatFiles, Fat16VolumesWorkLikeFat12) {
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(imagelib::BuildImage(16, 0, bytes));
    imagelib::ImageInfo info;
    ASSERT_TRUE(imagelib::InspectImage(bytes, info));
    FatVolume v;
    ASSERT_TRUE(v.Mount(bytes, info.volumeOffset));
    ASSERT_TRUE(v.IsFat16());
    const auto data = Pattern(5 * 1024 * 1024, 9);
    ASSERT_EQ(v.MakeDirectory("BIG"), FatError::None);
    ASSERT_EQ(v.WriteFile("BIG\\DATA.BIN", data.data(), data.size(), false), FatError::None);
    menvolt_test::TempDir dir;
    menvolt_test::WriteBytes(dir / "x.img", bytes);
    std::string report;
    ASSERT_TRUE(menvolt_test::FsckCleanFile(dir / "x.img", info.volumeOffset, &report)) << report;
    std::vector<uint8_t> got;
    ASSERT_TRUE(menvolt_test::MtoolsRead(dir / "x.img", info.volumeOffset, "BIG/DATA.BIN", got));
    EXPECT_EQ(got, data);
}

TEST(FatFiles, WhatMtoolsWritesReadsBackThroughTheModule) {
    Floppy f;
    menvolt_test::TempDir dir;
    menvolt_test::WriteBytes(dir / "f.img", f.bytes);
    const auto data = Pattern(12345, 10);
    menvolt_test::WriteBytes(dir / "host.bin", data);
    const std::string img = menvolt_test::MtoolsImage(dir / "f.img", 0);
    ASSERT_EQ(menvolt_test::Run("mmd " + img + " ::SUB").exitCode, 0);
    ASSERT_EQ(menvolt_test::Run("mcopy " + img + " " + menvolt_test::Quote((dir / "host.bin").string()) + " ::SUB/HOST.BIN")
                  .exitCode,
              0);
    auto bytes = menvolt_test::ReadBytes(dir / "f.img");
    FatVolume v;
    ASSERT_TRUE(v.Mount(bytes, 0));
    std::vector<uint8_t> got;
    ASSERT_EQ(v.ReadFile("SUB\\HOST.BIN", got), FatError::None);
    EXPECT_EQ(got, data);
    // Edited by us afterwards, still clean for fsck.
    ASSERT_EQ(v.Remove("SUB\\HOST.BIN"), FatError::None);
    ASSERT_EQ(v.Remove("SUB"), FatError::None);
    std::string report;
    EXPECT_TRUE(FsckClean(bytes, 0, &report)) << report;

    // Long names mtools adds are seen by their short names; renaming or
    // removing an entry takes its long-name parts with it.
    menvolt_test::WriteBytes(dir / "f.img", bytes);
    for (const char* name : {"A Long File Name.txt", "Another long one.txt", "Third long name.text"})
        ASSERT_EQ(menvolt_test::Run("mcopy " + img + " " + menvolt_test::Quote((dir / "host.bin").string()) + " " +
                                 menvolt_test::Quote(std::string("::") + name))
                      .exitCode,
                  0);
    bytes = menvolt_test::ReadBytes(dir / "f.img");
    ASSERT_TRUE(v.Mount(bytes, 0));
    std::vector<imagelib::FatEntryInfo> list;
    ASSERT_EQ(v.List("", list), FatError::None);
    ASSERT_EQ(list.size(), 3u);
    ASSERT_EQ(v.Rename(list[0].name, "FIRST.TXT"), FatError::None);
    ASSERT_EQ(v.Remove(list[1].name), FatError::None);
    menvolt_test::WriteBytes(dir / "f.img", bytes);
    EXPECT_TRUE(menvolt_test::FsckCleanFile(dir / "f.img", 0, &report)) << report;
    const std::string listing = menvolt_test::Run("mdir -b " + img + " ::").output;
    EXPECT_NE(listing.find("FIRST.TXT"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Third long name.text"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("Another"), std::string::npos) << listing;
    EXPECT_EQ(listing.find("A Long"), std::string::npos) << listing;
}

TEST(FatFiles, LabelsAreKeptInTheRootAndTheBootSector) {
    Floppy f;
    EXPECT_EQ(f.volume.Label(), "");
    ASSERT_EQ(f.volume.SetLabel("Boot disk"), FatError::None);
    EXPECT_EQ(f.volume.Label(), "BOOT DISK");
    EXPECT_EQ(std::string(f.bytes.begin() + 0x2B, f.bytes.begin() + 0x36), "BOOT DISK  ");
    EXPECT_EQ(f.volume.SetLabel("twelve chars"), FatError::InvalidName);
    EXPECT_EQ(f.volume.SetLabel("A*B"), FatError::InvalidName);
    // A blank label is no label, when formatting as when changing it.
    std::vector<uint8_t> blank;
    ASSERT_TRUE(FatVolume::Format(blank, 0, imagelib::FatLayout::Floppy1440(), imagelib::NoSystemBootSector(), "   ", 1));
    EXPECT_EQ(std::string(blank.begin() + 0x2B, blank.begin() + 0x36), "NO NAME    ");
    EXPECT_EQ(blank[19 * 512], 0);  // no label entry in the root folder
    menvolt_test::TempDir dir;
    menvolt_test::WriteBytes(dir / "f.img", f.bytes);
    auto run = menvolt_test::Run("mlabel -s " + menvolt_test::MtoolsImage(dir / "f.img", 0) + " ::");
    EXPECT_NE(run.output.find("BOOT DISK"), std::string::npos) << run.output;
    std::string report;
    EXPECT_TRUE(FsckClean(f.bytes, 0, &report)) << report;
}

TEST(FatDamage, BrokenStructuresAreReportedNotFollowed) {
    Floppy f;
    const auto data = Pattern(5000, 11);
    ASSERT_EQ(f.volume.WriteFile("LOOP.BIN", data.data(), data.size(), false), FatError::None);
    // Make the file's second cluster point back at its first.
    const size_t fat = 512;
    const uint32_t first = Get16(f.bytes, 19 * 512 + 26);
    const uint32_t second = first + 1;
    auto setFat12 = [&](uint32_t c, uint32_t v) {
        for (size_t copy = 0; copy < 2; ++copy) {
            uint8_t* p = f.bytes.data() + fat + copy * 9 * 512 + c + c / 2;
            uint16_t pair = static_cast<uint16_t>(p[0] | (p[1] << 8));
            pair = (c & 1) ? static_cast<uint16_t>((pair & 0xF) | (v << 4)) : static_cast<uint16_t>((pair & 0xF000) | v);
            p[0] = static_cast<uint8_t>(pair);
            p[1] = static_cast<uint8_t>(pair >> 8);
        }
    };
    setFat12(second, first);
    std::vector<uint8_t> got;
    EXPECT_EQ(f.volume.ReadFile("LOOP.BIN", got), FatError::Corrupt);
    setFat12(second, 5000);  // beyond the last cluster
    EXPECT_EQ(f.volume.ReadFile("LOOP.BIN", got), FatError::Corrupt);

    std::vector<uint8_t> junk(4096, 0x5A);
    FatVolume v;
    EXPECT_FALSE(v.Mount(junk, 0));
    std::vector<uint8_t> tiny(100, 0);
    EXPECT_FALSE(v.Mount(tiny, 0));
    // A header whose sizes run past the end of the file is not an image.
    std::vector<uint8_t> header;
    ASSERT_TRUE(imagelib::BuildImage(2, 0, header));
    header.resize(header.size() - 1);
    imagelib::ImageInfo info;
    EXPECT_FALSE(imagelib::InspectImage(header, info));
}

TEST(FatNames, ShortNamesAreCheckedAndLongOnesMapped) {
    imagelib::ShortName raw;
    std::string why;
    EXPECT_TRUE(imagelib::ParseShortName("command.com", raw));
    EXPECT_EQ(imagelib::FormatShortName(raw), "COMMAND.COM");
    EXPECT_TRUE(imagelib::ParseShortName("README", raw));
    EXPECT_TRUE(imagelib::ParseShortName("A-B_{1}.$$$", raw));
    for (const char* bad : {"", ".", "..", "toolongname.txt", "a.text", "a.b.c", ".hidden", "sp ace.txt",
                            "semi;colon", "star*.txt", "plus+.txt"}) {
        EXPECT_FALSE(imagelib::ParseShortName(bad, raw, &why)) << bad;
        EXPECT_FALSE(why.empty()) << bad;
    }
    std::vector<std::string> taken;
    auto isTaken = [&](const std::string& n) { return std::find(taken.begin(), taken.end(), n) != taken.end(); };
    EXPECT_EQ(imagelib::MapToShortName("Kernel.sys", isTaken), "KERNEL.SYS");
    EXPECT_EQ(imagelib::MapToShortName("My Document.text", isTaken), "MYDOCU~1.TEX");
    taken.push_back("MYDOCU~1.TEX");
    EXPECT_EQ(imagelib::MapToShortName("My Documents.text", isTaken), "MYDOCU~2.TEX");
    EXPECT_EQ(imagelib::MapToShortName("archive.tar.gz", isTaken), "ARCHIV~1.GZ");
    EXPECT_EQ(imagelib::MapToShortName(".bashrc", isTaken), "BASHRC~1");
    EXPECT_EQ(imagelib::MapToShortName("a+b.c", isTaken), "A_B~1.C");
    taken.push_back("KERNEL.SYS");
    EXPECT_EQ(imagelib::MapToShortName("kernel.sys", isTaken), "KERNEL~1.SYS");
}

TEST(FatNames, NamesAreStoredInCodePage437UpperCased) {
    imagelib::ShortName raw;
    std::string why;
    // Host text in, code page 437 bytes stored: é is 82h, upper-cased to É (90h);
    // ñ (A4h) to Ñ (A5h); â has no capital in the code page and becomes A.
    ASSERT_TRUE(imagelib::ParseShortName("caf\u00E9.t\u00F1t", raw));
    EXPECT_EQ(std::string(raw.data(), 11), "CAF\x90    T\xA5T");
    EXPECT_EQ(imagelib::FormatShortName(raw), "CAF\u00C9.T\u00D1T");
    ASSERT_TRUE(imagelib::ParseShortName("p\u00E2t\u00E9", raw));
    EXPECT_EQ(imagelib::FormatShortName(raw), "PAT\u00C9");
    // σ is E5h, which a directory stores as 05h.
    ASSERT_TRUE(imagelib::ParseShortName("\u03C3x", raw));
    EXPECT_EQ(raw[0], 0x05);
    EXPECT_EQ(imagelib::FormatShortName(raw), "\u03C3X");
    // No byte in the code page, or not UTF-8 at all (C1 81 is an overlong
    // "A", which must not sneak past as one): refused by name.
    for (const char* bad : {"\u0105.txt", "\u20AC.txt", "a\xE9.txt", "\xC1\x81.txt"}) {
        EXPECT_FALSE(imagelib::ParseShortName(bad, raw, &why)) << bad;
        EXPECT_NE(why.find("437"), std::string::npos) << why;
    }
    auto none = [](const std::string&) { return false; };
    EXPECT_EQ(imagelib::MapToShortName("\u017C\u00F3\u0142w.txt", none), "_O_W~1.TXT");
}

}  // namespace
