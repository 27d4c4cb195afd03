// The UEFI boot programs of an image: the file a UEFI PC's firmware starts
// from a FAT volume it boots, \EFI\BOOT\BOOTX64.EFI on x86-64 and
// \EFI\BOOT\BOOTAA64.EFI on ARM64. An image that holds one and a BIOS boot
// sector (or start-up code) boots on both kinds of PC from one menu item.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/fat_volume.h"

namespace imagelib {

inline constexpr char kEfiBootFolder[] = "EFI\\BOOT";
inline constexpr char kEfiBootProgramName[] = "BOOTX64.EFI";
inline constexpr char kEfiBootProgram[] = "EFI\\BOOT\\BOOTX64.EFI";
inline constexpr char kEfiBootProgramArm64Name[] = "BOOTAA64.EFI";
inline constexpr char kEfiBootProgramArm64[] = "EFI\\BOOT\\BOOTAA64.EFI";
inline constexpr const char* kEfiBootPrograms[] = {kEfiBootProgram, kEfiBootProgramArm64};

// Where the program goes on a volume: by the machine type its header names.
const char* EfiBootProgramPath(const std::vector<uint8_t>& program);

// Reads a host file that must be an EFI application for x86-64 or ARM64
// PCs (common::EfiProgramMachine); false with a reason otherwise.
bool ReadEfiProgram(const std::string& hostPath, std::vector<uint8_t>& program, std::string& error);

// Puts the program at its EfiBootProgramPath, making the folders that are
// missing and replacing a program already there. DiskFull (or RootFull)
// leaves the volume as it was.
FatError PutEfiBootProgram(FatVolume& volume, const std::vector<uint8_t>& program);

// The image to create for a program: `capacity` (0: the diskette, else
// 2 to 16 MB) when `fitCapacity` is false, else the smallest of them that
// holds it. False with a reason when it does not fit.
bool BuildEfiImage(const std::vector<uint8_t>& program, uint32_t capacity, bool fitCapacity, uint32_t options,
                   std::vector<uint8_t>& out, std::string& error);

}  // namespace imagelib
