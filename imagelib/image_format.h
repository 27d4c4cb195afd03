// The two kinds of boot image file the library makes:
//  - a 1.44 MB diskette image (a bare FAT12 volume), which the network boot
//    menu serves as a RAM disk itself;
//  - an extended image: start-up code whose header carries the "ExTx" mark,
//    the code size N (word at 0x0A) and the volume size K in KB (word at
//    0x0C), followed by a FAT volume of K KB at file offset N. The start-up
//    code serves that volume as a RAM disk of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imagelib {

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

// Offsets of the extended image header.
constexpr size_t kHeaderCodeSize = 0x0A;
constexpr size_t kHeaderDiskKb = 0x0C;
constexpr size_t kHeaderMark = 0x0E;
constexpr size_t kHeaderOptions = 0x12;
constexpr size_t kHeaderSectorsPerTrack = 0x14;
constexpr size_t kHeaderHeads = 0x16;
constexpr size_t kHeaderTotalSectors = 0x18;

}  // namespace imagelib
