// The two kinds of boot image file the library makes:
//  - a 1.44 MB diskette image (a bare FAT12 volume), which the network boot
//    menu serves as a RAM disk itself;
//  - an extended image: start-up code whose header carries the "ExTx" mark,
//    the code size N and the volume size K in KB, followed by a FAT volume
//    of K KB at file offset N. The start-up code serves that volume as a RAM
//    disk of its own. The header's fields, its option bits and the menu's
//    hand-off are the one list common/extended_image.def, which the start-up
//    code and the menu's client program read as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imagelib {

namespace extended_image {
#define EXTX_FIELD(name, value) inline constexpr uint32_t name = (value);
#define EXTX_OPTION(name, value)
#define EXTX_HANDOFF(name, value) inline constexpr uint32_t name = (value);
#include "common/extended_image.def"
#undef EXTX_FIELD
#undef EXTX_OPTION
#undef EXTX_HANDOFF
}  // namespace extended_image

constexpr size_t kFloppyImageSize = 1474560;
constexpr uint32_t kMaxExtendedMegabytes = 16;

struct ImageInfo {
    bool extended = false;
    size_t volumeOffset = 0;   // where the FAT volume starts in the file
    uint32_t kilobytes = 0;    // size of the volume
    uint16_t options = 0;      // option bits stored in an extended image
};

// Builds a new image: capacity 0 gives the diskette, 2 to 16 (even) an
// extended image of that many megabytes. False for any other capacity.
bool BuildImage(uint32_t capacityMegabytes, uint32_t options, std::vector<uint8_t>& out);

// True when the bytes start with an extended image's header ("ExTx" mark).
bool HasExtendedMark(const std::vector<uint8_t>& bytes);

// Recognises an image of ours (or any bare FAT volume) and says where its
// volume lies. False when the header's sizes do not fit the file.
bool InspectImage(const std::vector<uint8_t>& bytes, ImageInfo& info);

// The assembled boot sector and start-up code, as the build embeds them.
const std::vector<uint8_t>& NoSystemBootSector();
const std::vector<uint8_t>& StartupCode();

// What the header of an extended image tells its start-up code about the
// volume behind it.
struct ExtendedHeader {
    uint32_t kilobytes = 0;
    uint32_t options = 0;
    uint16_t sectorsPerTrack = 0;
    uint16_t heads = 0;
    uint32_t totalSectors = 0;
};
// Replaces `out` with the start of an extended image: the start-up code with
// its header filled in, padded to whole sectors so that the volume, which
// follows, starts on a sector boundary. Returns that padded size.
size_t PutStartupCode(const ExtendedHeader& header, std::vector<uint8_t>& out);

// Offsets of the extended image header, by the names the library's code uses.
constexpr size_t kHeaderCodeSize = extended_image::EXTX_CODE_SIZE;
constexpr size_t kHeaderDiskKb = extended_image::EXTX_DATA_KB;
constexpr size_t kHeaderMark = extended_image::EXTX_MARK;
constexpr size_t kHeaderOptions = extended_image::EXTX_OPTIONS;
constexpr size_t kHeaderSectorsPerTrack = extended_image::EXTX_SECTORS_PER_TRACK;
constexpr size_t kHeaderHeads = extended_image::EXTX_HEADS;
constexpr size_t kHeaderTotalSectors = extended_image::EXTX_TOTAL_SECTORS;
constexpr size_t kHeaderSize = extended_image::EXTX_HEAD_SIZE;

}  // namespace imagelib
