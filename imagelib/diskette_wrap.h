// Turning a diskette image into an extended image: the diskette becomes the
// volume, byte for byte, behind our start-up code. The start-up code moves
// the volume to the top of memory and hides it from the memory map, so
// diskettes whose programs use extended memory (syslinux, GRUB, Linux-based
// rescue disks) boot from it where the menu's own RAM disk at 110000h would
// be overwritten.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imagelib {

struct DisketteGeometry {
    uint16_t sectorsPerTrack = 0;
    uint16_t heads = 0;
    uint32_t totalSectors = 0;
};

// A 720 KB, 1.44 MB or 2.88 MB image: its geometry from the boot sector's
// BIOS parameter block when that one is valid and describes this size,
// else the standard one of the size. False with a reason for anything else.
bool DisketteGeometryOf(const std::vector<uint8_t>& bytes, DisketteGeometry& geometry, std::string& error);

// Builds the extended image around `diskette` with the given option bits.
bool WrapDiskette(const std::vector<uint8_t>& diskette, uint32_t options, std::vector<uint8_t>& out,
                  std::string& error);

// Reads the diskette image at `diskettePath` and writes the extended image
// to `outPath`: replacing it safely with `replaceExisting`, else only as a
// new file (an existing one of any kind is refused by name). On failure
// nothing is written.
bool WrapDisketteFile(const std::string& diskettePath, const std::string& outPath, uint32_t options,
                      bool replaceExisting, std::string& error);

// The loader whose boot sector a plain diskette carries when it is one
// that needs extended memory for itself ("syslinux", "GRUB"), or empty.
std::string ExtendedMemoryLoaderOf(const std::vector<uint8_t>& bootSector);

}  // namespace imagelib
