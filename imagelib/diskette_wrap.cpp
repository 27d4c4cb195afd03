#include "diskette_wrap.h"

#include <algorithm>
#include <cstring>

#include "atomic_file.h"
#include "image_format.h"

namespace imagelib {
namespace {

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

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
    if (!standard || (bytes.size() >= 0x12 && std::memcmp(bytes.data() + kHeaderMark, "ExTx", 4) == 0)) {
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
    const uint8_t* b = bytes.data();
    const bool jump = b[0] == 0xEB || b[0] == 0xE9;
    const uint16_t bytesPerSector = Get16(b + 0x0B);
    const uint16_t spt = Get16(b + 0x18);
    const uint16_t heads = Get16(b + 0x1A);
    uint32_t total = Get16(b + 0x13);
    if (total == 0) total = Get32(b + 0x20);
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
    const std::vector<uint8_t>& code = StartupCode();
    const size_t codeSize = (code.size() + 511) / 512 * 512;
    out.assign(codeSize, 0);
    std::memcpy(out.data(), code.data(), code.size());
    Put16(out.data() + kHeaderCodeSize, static_cast<uint32_t>(codeSize));
    Put16(out.data() + kHeaderDiskKb, static_cast<uint32_t>(diskette.size() / 1024));
    Put16(out.data() + kHeaderOptions, options & 0xFFFF);
    Put16(out.data() + kHeaderSectorsPerTrack, g.sectorsPerTrack);
    Put16(out.data() + kHeaderHeads, g.heads);
    Put16(out.data() + kHeaderTotalSectors, g.totalSectors);
    Put16(out.data() + kHeaderTotalSectors + 2, g.totalSectors >> 16);
    out.insert(out.end(), diskette.begin(), diskette.end());
    return true;
}

bool WrapDisketteFile(const std::string& diskettePath, const std::string& outPath, uint32_t options,
                      std::string& error) {
    std::vector<uint8_t> diskette;
    // Read more than the largest diskette, so a larger file is refused as
    // what it is rather than as too large to read.
    if (!ReadHostFile(diskettePath, 4 * kDiskettes[2].bytes, diskette, error)) return false;
    std::vector<uint8_t> image;
    if (!WrapDiskette(diskette, options, image, error)) return false;
    return ReplaceFileAtomically(outPath, image.data(), image.size(), error);
}

std::string ExtendedMemoryLoaderOf(const std::vector<uint8_t>& bootSector) {
    if (bootSector.size() < 512 || bootSector[510] != 0x55 || bootSector[511] != 0xAA) return "";
    // syslinux names itself in the boot sector's messages and OEM name;
    // GRUB 2's boot.img carries "GRUB " before its error messages.
    if (Contains(bootSector, 512, "SYSLINUX")) return "syslinux";
    if (Contains(bootSector, 512, "GRUB ")) return "GRUB";
    return "";
}

}  // namespace imagelib
