#include "imagelib/diskette_wrap.h"

#include <sys/stat.h>

#include "imagelib/image_document.h"

#include <algorithm>
#include <cstring>

#include "imagelib/atomic_file.h"
#include "imagelib/fat_structures.h"
#include "imagelib/image_format.h"
#include "imagelib/image_library.h"

namespace imagelib {
namespace {

struct StandardDiskette {
    size_t bytes;
    uint16_t sectorsPerTrack;
};
constexpr StandardDiskette kDiskettes[] = {{737280, 9}, {1474560, 18}, {2949120, 36}};

bool Contains(const std::vector<uint8_t>& bytes, size_t limit, const char* text) {
    const size_t n = std::strlen(text);
    const auto end = bytes.begin() + static_cast<long>(std::min(limit, bytes.size()));
    return std::search(bytes.begin(), end, text, text + n) != end;
}

}  // namespace

bool DisketteGeometryOf(const std::vector<uint8_t>& bytes, DisketteGeometry& geometry, std::string& error) {
    const StandardDiskette* standard = nullptr;
    for (const auto& d : kDiskettes)
        if (bytes.size() == d.bytes) standard = &d;
    if (!standard || HasExtendedMark(bytes)) {
        error = "not a diskette image (" + std::to_string(bytes.size()) +
                " bytes): only 720 KB, 1.44 MB and 2.88 MB diskette images can be wrapped";
        return false;
    }
    geometry.totalSectors = static_cast<uint32_t>(bytes.size() / 512);
    geometry.sectorsPerTrack = standard->sectorsPerTrack;
    geometry.heads = 2;

    // A BIOS parameter block that describes this very diskette wins: some
    // formats (1.68 MB DMF-style layouts on a 1.44 MB image, for example)
    // use another number of sectors per track.
    using namespace fat::boot;
    const uint8_t* b = bytes.data();
    const bool jump = b[kJump.at] == 0xEB || b[kJump.at] == 0xE9;
    const uint32_t bytesPerSector = fat::Get(b, kBytesPerSector);
    const uint16_t spt = static_cast<uint16_t>(fat::Get(b, kSectorsPerTrack));
    const uint16_t heads = static_cast<uint16_t>(fat::Get(b, kHeads));
    uint32_t total = fat::Get(b, kTotalSectors16);
    if (total == 0) total = fat::Get(b, kTotalSectors32);
    if (jump && bytesPerSector == 512 && spt >= 1 && spt <= 63 && heads >= 1 && heads <= 255 &&
        total == geometry.totalSectors && total % (static_cast<uint32_t>(spt) * heads) == 0 &&
        total / (static_cast<uint32_t>(spt) * heads) <= 1024) {
        geometry.sectorsPerTrack = spt;
        geometry.heads = heads;
    }
    return true;
}

bool WrapDiskette(const std::vector<uint8_t>& diskette, uint32_t options, std::vector<uint8_t>& out,
                  std::string& error) {
    out.clear();
    DisketteGeometry g;
    if (!DisketteGeometryOf(diskette, g, error)) return false;
    PutStartupCode({static_cast<uint32_t>(diskette.size() / 1024), options, g.sectorsPerTrack, g.heads, g.totalSectors},
                   out);
    out.insert(out.end(), diskette.begin(), diskette.end());
    return true;
}

bool WrapDisketteFile(const std::string& diskettePath, const std::string& outPath, uint32_t options,
                      bool replaceExisting, std::string& error) {
    std::vector<uint8_t> diskette;
    FileId input;
    // Read more than the largest diskette, so a larger file is refused as
    // what it is rather than as too large to read.
    if (!ReadHostFile(diskettePath, 4 * kDiskettes[2].bytes, diskette, error, &input)) return false;
    std::vector<uint8_t> image;
    // Base code cannot stay without the driver under it.
    if (!(options & KTIMG_OPTION_KEEP_UNDI)) options &= ~KTIMG_OPTION_KEEP_BASE;
    if (!WrapDiskette(diskette, options, image, error)) return false;
    // The diskette is the input, told by the file that was read: writing
    // over it would lose it.
    auto isInput = [&](const FileId& file) { return file.device == input.device && file.inode == input.inode; };
    const std::string overInput = outPath + " is the diskette being wrapped; write the wrapped image to a new file";
    struct stat out {};
    const bool exists = lstat(outPath.c_str(), &out) == 0;
    if (exists && stat(outPath.c_str(), &out) == 0 &&
        isInput(FileId{static_cast<uint64_t>(out.st_dev), static_cast<uint64_t>(out.st_ino)})) {
        error = overInput;
        return false;
    }
    // A new file takes the name whole, and only while it is free, in the
    // one folder opened for it.
    if (!replaceExisting || !exists) return CreateNewFile(outPath, image.data(), image.size(), error);
    // The file replaced is the one locked, in the folder the lock holds,
    // and checked once more there: the name may lead elsewhere by now.
    ImageLock lock;
    if (!lock.Acquire(outPath, error)) return false;
    if (isInput(lock.Identity())) {
        error = overInput;
        return false;
    }
    return lock.Replace(image, error);
}

std::string ExtendedMemoryLoaderOf(const std::vector<uint8_t>& bootSector) {
    if (bootSector.size() < fat::boot::kSize ||
        fat::Get(bootSector.data(), fat::boot::kSignature) != fat::boot::kSignatureValue)
        return "";
    // syslinux names itself in the boot sector's messages and OEM name;
    // GRUB 2's boot.img carries "GRUB " before its error messages.
    if (Contains(bootSector, 512, "SYSLINUX")) return "syslinux";
    if (Contains(bootSector, 512, "GRUB ")) return "GRUB";
    return "";
}

}  // namespace imagelib
