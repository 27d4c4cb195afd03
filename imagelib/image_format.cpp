#include "imagelib/image_format.h"

#include <cstring>
#include <ctime>

#include "imagelib/fat_volume.h"
#include "imagelib/little_endian.h"

extern const uint8_t kNoSystemBoot[];
extern const size_t kNoSystemBoot_size;
extern const uint8_t kStartupCode[];
extern const size_t kStartupCode_size;

namespace imagelib {
namespace {

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

size_t PutStartupCode(const ExtendedHeader& header, std::vector<uint8_t>& out) {
    const std::vector<uint8_t>& code = StartupCode();
    const size_t codeSize = (code.size() + FatVolume::kSectorSize - 1) / FatVolume::kSectorSize * FatVolume::kSectorSize;
    out.assign(codeSize, 0);
    std::memcpy(out.data(), code.data(), code.size());
    uint8_t* h = out.data();
    Put16(h + kHeaderCodeSize, static_cast<uint32_t>(codeSize));
    Put16(h + kHeaderDiskKb, header.kilobytes);
    Put16(h + kHeaderOptions, header.options & 0xFFFF);
    Put16(h + kHeaderSectorsPerTrack, header.sectorsPerTrack);
    Put16(h + kHeaderHeads, header.heads);
    Put32(h + kHeaderTotalSectors, header.totalSectors);
    return codeSize;
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
    // The volume starts on a sector boundary, so tools can address it by offset.
    const size_t codeSize =
        PutStartupCode({kilobytes, options, layout.sectorsPerTrack, layout.heads, layout.totalSectors}, out);
    out.reserve(codeSize + static_cast<size_t>(kilobytes) * 1024);
    return FatVolume::Format(out, codeSize, layout, NoSystemBootSector(), "", NewSerial());
}

bool HasExtendedMark(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= kHeaderSize &&
           std::memcmp(bytes.data() + kHeaderMark, "ExTx", extended_image::EXTX_MARK_SIZE) == 0;
}

bool InspectImage(const std::vector<uint8_t>& bytes, ImageInfo& info) {
    info = ImageInfo{};
    if (HasExtendedMark(bytes)) {
        const size_t n = Get16(bytes.data() + kHeaderCodeSize);
        const uint32_t k = Get16(bytes.data() + kHeaderDiskKb);
        if (n < kHeaderSize || k == 0 || n + static_cast<size_t>(k) * 1024 > bytes.size()) return false;
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
