// Which kinds of PC a menu item boots on, told from what its boot image
// file holds by the rule the clients follow (common/boot_image.h): BIOS, and
// UEFI per processor (x86-64, ARM64), from a program's machine type or the
// removable-media boot program a FAT volume or a CD's EFI image holds.
// Plain code shared by the editor's pages and the command line. An item
// without an image boots the hard drive, which every PC does.
#pragma once

#include <string>

struct ImageBoots {
    enum class Read { Done, Missing, Unreadable };
    Read read = Read::Done;
    bool bios = false;
    bool uefiX64 = false;
    bool uefiArm64 = false;
    bool Uefi() const { return uefiX64 || uefiArm64; }
    // Whether the programs a UEFI PC starts (the file itself, or the
    // volume's \EFI\BOOT\BOOT*.EFI) carry an Authenticode signature, which
    // a PC with Secure Boot on needs: No when one of them does not; Unknown
    // when there is none to read.
    enum class Signed { Unknown, Yes, No };
    Signed uefiSigned = Signed::Unknown;
};

// Reads the image at a Windows path through an exclusive open, only as much
// of it as the decision needs; never fails on damaged contents (what cannot
// be followed does not count).
ImageBoots ImageBootsOn(const std::string& windowsPath);

// The item of a loader in `folder`: an empty image name boots the hard drive.
ImageBoots ItemBootsOn(const std::string& folder, const std::string& image);

// "BIOS", "UEFI x86-64", "BIOS and UEFI ARM64", "BIOS, UEFI x86-64 and
// ARM64"..., or what says neither, missing or unreadable (the string
// table's texts).
std::string BootsOnText(const ImageBoots& boots);

// BootsOnText with whether the UEFI program is signed, where that is known:
// "UEFI (UEFI program signed)".
std::string BootsOnDetail(const ImageBoots& boots);
