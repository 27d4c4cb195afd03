// Which kind of PC a menu item boots on, told from what its boot image
// file holds: plain code shared by the editor's pages and the command line.
//  - BIOS: a boot sector (55AAh at 510), the start-up code of an extended
//    image ("ExTx" mark), or a file small enough for the client to run as a
//    boot program at 0000:7C00;
//  - UEFI: an EFI application for x86-64 (common::EfiApplicationProblem;
//    any other PE file boots on neither), a FAT12/16/32 volume (a diskette,
//    or the volume of an extended image) whose \EFI\BOOT\BOOTX64.EFI is
//    one, or an ISO 9660 image whose El Torito catalogue has an EFI entry (an
//    entry for the x86 BIOS counts as BIOS).
// An item without an image boots the hard drive, which every PC does.
#pragma once

#include <string>

struct ImageBoots {
    enum class Read { Done, Missing, Unreadable };
    Read read = Read::Done;
    bool bios = false;
    bool uefi = false;
    // Whether the program a UEFI PC starts (the file itself, or the volume's
    // \EFI\BOOT\BOOTX64.EFI) carries an Authenticode signature, which a PC
    // with Secure Boot on needs; Unknown when there is none to read.
    enum class Signed { Unknown, Yes, No };
    Signed uefiSigned = Signed::Unknown;
};

// Reads the image at a Windows path through an exclusive open, only as much
// of it as the decision needs; never fails on damaged contents (what cannot
// be followed does not count).
ImageBoots ImageBootsOn(const std::string& windowsPath);

// The item of a loader in `folder`: an empty image name boots the hard drive.
ImageBoots ItemBootsOn(const std::string& folder, const std::string& image);

// "BIOS", "UEFI", "BIOS and UEFI", or what says neither, missing or
// unreadable (the string table's texts).
std::string BootsOnText(const ImageBoots& boots);

// BootsOnText with whether the UEFI program is signed, where that is known:
// "UEFI (UEFI program signed)".
std::string BootsOnDetail(const ImageBoots& boots);
