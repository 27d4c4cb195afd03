#include "image_format.h"

#include <cstring>
#include <ctime>

#include "fat_volume.h"

extern const uint8_t kNoSystemBoot[];
extern const size_t kNoSystemBoot_size;
extern const uint8_t kStartupCode[];
extern const size_t kStartupCode_size;

namespace imagelib {
namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t NewSerial() {
    // DOS derives the serial number from the date and time of formatting.
    const uint32_t now = static_cast<uint32_t>(std::time(nullptr));
    return (now * 2654435761u) ^ 0x4D564C54u;
}

}  // namespace

const std::vector<uint8_t>& NoSystemBootSector() {
    static const std::vector<uint8_t> bytes(kNoSystemBoot, kNoSystemBoot + kNoSystemBoot_size);
    return bytes;
}

const std::vector<uint8_t>& StartupCode() {
    static const std::vector<uint8_t> bytes(kStartupCode, kStartupCode + kStartupCode_size);
    return bytes;
}

bool BuildImage(uint32_t capacityMegabytes, uint32_t options, std::vector<uint8_t>& out) {
    out.clear();
    if (capacityMegabytes == 0) {
        out.reserve(kFloppyImageSize);
        return FatVolume::Format(out, 0, FatLayout::Floppy1440(), NoSystemBootSector(), "", NewSerial());
    }
    if (capacityMegabytes % 2 || capacityMegabytes > kMaxExtendedMegabytes) return false;

    const uint32_t kilobytes = capacityMegabytes * 1024;
    const FatLayout layout = FatLayout::RamDisk(kilobytes);
    const std::vector<uint8_t>& code = StartupCode();
    // The volume starts on a sector boundary, so tools can address it by offset.
    const size_t codeSize = (code.size() + FatVolume::kSectorSize - 1) / FatVolume::kSectorSize * FatVolume::kSectorSize;
    out.reserve(codeSize + static_cast<size_t>(kilobytes) * 1024);
    out.assign(codeSize, 0);
    std::memcpy(out.data(), code.data(), code.size());
    Put16(out.data() + kHeaderCodeSize, static_cast<uint32_t>(codeSize));
    Put16(out.data() + kHeaderDiskKb, kilobytes);
    Put16(out.data() + kHeaderOptions, options & 0xFFFF);
    Put16(out.data() + kHeaderSectorsPerTrack, layout.sectorsPerTrack);
    Put16(out.data() + kHeaderHeads, layout.heads);
    Put16(out.data() + kHeaderTotalSectors, layout.totalSectors);
    Put16(out.data() + kHeaderTotalSectors + 2, layout.totalSectors >> 16);
    return FatVolume::Format(out, codeSize, layout, NoSystemBootSector(), "", NewSerial());
}

bool InspectImage(const std::vector<uint8_t>& bytes, ImageInfo& info) {
    info = ImageInfo{};
    if (bytes.size() >= 0x20 && std::memcmp(bytes.data() + kHeaderMark, "ExTx", 4) == 0) {
        const size_t n = Get16(bytes.data() + kHeaderCodeSize);
        const uint32_t k = Get16(bytes.data() + kHeaderDiskKb);
        if (n < 0x20 || k == 0 || n + static_cast<size_t>(k) * 1024 > bytes.size()) return false;
        info.extended = true;
        info.volumeOffset = n;
        info.kilobytes = k;
        info.options = Get16(bytes.data() + kHeaderOptions);
        return true;
    }
    if (bytes.size() < FatVolume::kSectorSize) return false;
    info.kilobytes = static_cast<uint32_t>(bytes.size() / 1024);
    return true;
}

}  // namespace imagelib
