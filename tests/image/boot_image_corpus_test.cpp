// One corpus of boot images, made here, read by the editor's "boots on" and
// by the UEFI program's judgement of a received file (loader/efi built for
// the host, once per processor: MENVOLT_EFI_AA64 makes the ARM64 one). Each
// says what it should, and "boots on UEFI <this processor>" holds exactly
// when this processor's client does not refuse the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "image/image_boots_on.h"
#include "tests/support/efi_program_maker.h"
#include "tests/support/test_support.h"

extern "C" {
#include "loader/efi/received_image.h"
}

namespace {

using menvolt_test::TempShare;

#ifdef MENVOLT_EFI_AA64
constexpr bool kArm64 = true;
#else
constexpr bool kArm64 = false;
#endif

// The client's answer as text: "program", "disk", "cd", or its message.
std::string ClientSays(std::vector<uint8_t> bytes) {
    Received file{bytes.data(), bytes.size(), 0, TRUE};
    DiskImage disk;
    const CHAR16* bad = JudgeReceivedImage(&file, &disk);
    if (!bad) return disk.kind == DISK_NONE ? "program" : disk.kind == DISK_ISO ? "cd" : "disk";
    std::string text;
    for (; *bad; ++bad) text += static_cast<char>(*bad);
    return text;
}

void RunTool(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// A CD made by xorriso with a BIOS entry and an EFI entry whose FAT image
// is `efi`; `badCatalog` breaks the catalog's validation entry checksum.
std::vector<uint8_t> ElToritoCd(const std::filesystem::path& dir, const std::string& efi, bool badCatalog = false) {
    const auto tree = dir / "cd-tree", cd = dir / "made.iso";
    std::filesystem::create_directories(tree);
    std::filesystem::copy_file(dir / efi, tree / "efi.img", std::filesystem::copy_options::overwrite_existing);
    menvolt_test::WriteBytes(tree / "bios.bin", std::vector<uint8_t>(2048));
    RunTool("xorriso -as mkisofs -quiet -o " + cd.string() + " -b bios.bin -no-emul-boot -eltorito-alt-boot -e efi.img "
            "-no-emul-boot " + tree.string() + " 2>/dev/null");
    std::vector<uint8_t> bytes = menvolt_test::ReadBytes(cd);
    if (badCatalog && bytes.size() > 18 * 2048) {
        const uint32_t catalog = bytes[17 * 2048 + 0x47] | bytes[17 * 2048 + 0x48] << 8;  // the boot record's pointer
        if ((catalog + 1) * 2048 <= bytes.size()) bytes[catalog * 2048 + 28] ^= 1;
    }
    return bytes;
}

TEST(BootImageCorpus, TheEditorAndTheClientAgree) {
    TempShare share;
    const auto dir = share.path();
    const std::string tool = std::getenv("MENVOLT_IMAGE_TOOL");
    menvolt_test::WriteBytes(dir / "x64.efi", menvolt_test::MinimalEfiProgram());
    menvolt_test::WriteBytes(dir / "aa64.efi", menvolt_test::MinimalEfiProgram(10, 0xAA64));
    for (const char* made : {"plain.img", "x64.img --efi x64.efi", "aa64.img --efi aa64.efi", "both.img --efi x64.efi",
                             "big.img --capacity 2 --efi aa64.efi"})
        RunTool("cd " + dir.string() + " && " + tool + " create " + made);
    RunTool("cd " + dir.string() + " && " + tool + " add both.img --efi aa64.efi");
    if (HasFailure()) return;
    auto bytes = [&](const char* name) { return menvolt_test::ReadBytes(dir / name); };

    std::vector<uint8_t> fatCleared = bytes("x64.img"), extendedCut = bytes("big.img"), mbr(600000), small(900);
    std::fill(fatCleared.begin() + 512, fatCleared.begin() + 515, 0);  // the first FAT entry
    extendedCut[0x0C] = 0xFF, extendedCut[0x0D] = 0x7F;                  // 32 MB of volume in a 2 MB file
    mbr[510] = 0x55, mbr[511] = 0xAA, mbr[446] = 0x80, mbr[450] = 0x0C;   // a hard disk, one partition
    small[0] = 0xFA;
    const std::vector<uint8_t> x64 = bytes("x64.efi"), stub(x64.begin(), x64.begin() + 154);

    const std::string noUefi = "This image has no UEFI boot program.", bios = "This image needs a PC that boots in BIOS mode.";
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        std::string bootsOn, x64Client, aa64Client;
    } cases[] = {
        {"x64.efi", x64, "UEFI x86-64", "program", "This image needs an x86-64 PC."},
        {"aa64.efi", bytes("aa64.efi"), "UEFI ARM64", "This image needs an ARM64 PC.", "program"},
        {"console.efi", menvolt_test::MinimalEfiProgram(3), "neither (no boot code found)",
         "This file is an EFI driver, not an EFI program.", "This image needs an x86-64 PC."},
        {"stub.efi", stub, "neither (no boot code found)",
         "Error: this EFI program is damaged (its headers do not fit the file).", "This image needs an x86-64 PC."},
        {"plain.img", bytes("plain.img"), "BIOS", noUefi, noUefi},
        {"x64.img", bytes("x64.img"), "BIOS and UEFI x86-64", "disk", "This image needs an x86-64 PC."},
        {"aa64.img", bytes("aa64.img"), "BIOS and UEFI ARM64", "This image needs an ARM64 PC.", "disk"},
        {"both.img", bytes("both.img"), "BIOS, UEFI x86-64 and ARM64", "disk", "disk"},
        {"big.img", bytes("big.img"), "BIOS and UEFI ARM64", "This image needs an ARM64 PC.", "disk"},
        {"fat-cleared.img", fatCleared, "BIOS",
         "Error: the file allocation table of this image's FAT volume is damaged.",
         "Error: the file allocation table of this image's FAT volume is damaged."},
        {"extended-cut.img", extendedCut, "BIOS",
         "Error: this extended image's header gives sizes that do not fit the file.",
         "Error: this extended image's header gives sizes that do not fit the file."},
        {"cd.iso", ElToritoCd(dir, "both.img"), "UEFI x86-64 and ARM64", "cd", "cd"},
        {"cd-x64.iso", ElToritoCd(dir, "x64.img"), "UEFI x86-64", "cd", "This image needs an x86-64 PC."},
        {"cd-bad-catalog.iso", ElToritoCd(dir, "both.img", true), "neither (no boot code found)", noUefi, noUefi},
        {"hard-disk.img", mbr, "BIOS", bios, bios},
        {"small.bin", small, "BIOS", bios, bios},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        menvolt_test::WriteBytes(dir / c.name, c.bytes);
        const ImageBoots boots = ImageBootsOn(TempShare::Unc(c.name));
        EXPECT_EQ(BootsOnText(boots), c.bootsOn);
        const std::string client = ClientSays(c.bytes);
        EXPECT_EQ(client, kArm64 ? c.aa64Client : c.x64Client);
        const bool accepted = client == "program" || client == "disk" || client == "cd";
        EXPECT_EQ(accepted, kArm64 ? boots.uefiArm64 : boots.uefiX64);
    }
}

}  // namespace
