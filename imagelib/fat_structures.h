// The FAT records this library reads and writes, field by field: the boot
// sector with its parameter block, and the 32-byte directory entry. Each
// field is named once here with its offset and width, and the checks at the
// end of each list stop a field that drifts out of order or out of its
// record, the way the loader's layout list is checked at build time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "imagelib/little_endian.h"

namespace imagelib::fat {

// A field of a record: where it starts and how many bytes it has.
struct Field {
    size_t at;
    size_t size;
    constexpr size_t end() const { return at + size; }
};

// A number field of 1, 2 or 4 bytes.
inline uint32_t Get(const uint8_t* record, Field f) {
    return f.size == 1 ? record[f.at] : f.size == 2 ? Get16(record + f.at) : Get32(record + f.at);
}
inline void Put(uint8_t* record, Field f, uint32_t value) {
    if (f.size == 1) record[f.at] = static_cast<uint8_t>(value);
    else if (f.size == 2) Put16(record + f.at, value);
    else Put32(record + f.at, value);
}
// A text field, `text` holding at least f.size characters.
inline void PutText(uint8_t* record, Field f, const char* text) { std::memcpy(record + f.at, text, f.size); }

// True when the fields follow one another without a gap.
constexpr bool Contiguous(std::initializer_list<Field> fields) {
    size_t next = fields.begin()->at;
    for (Field f : fields) {
        if (f.at != next) return false;
        next = f.end();
    }
    return true;
}

namespace boot {
constexpr Field kJump{0x00, 3};                // the boot code's own jump
constexpr Field kOemName{0x03, 8};
// The parameter block.
constexpr Field kBytesPerSector{0x0B, 2};
constexpr Field kSectorsPerCluster{0x0D, 1};
constexpr Field kReservedSectors{0x0E, 2};    // the boot sector and any before the first FAT
constexpr Field kFatCount{0x10, 1};
constexpr Field kRootEntries{0x11, 2};
constexpr Field kTotalSectors16{0x13, 2};     // 0 when the count needs kTotalSectors32
constexpr Field kMedia{0x15, 1};
constexpr Field kSectorsPerFat{0x16, 2};
constexpr Field kSectorsPerTrack{0x18, 2};
constexpr Field kHeads{0x1A, 2};
constexpr Field kHiddenSectors{0x1C, 4};      // sectors of the disk before the volume
constexpr Field kTotalSectors32{0x20, 4};
// The extended block that follows it.
constexpr Field kDriveNumber{0x24, 1};
constexpr Field kReserved{0x25, 1};
constexpr Field kExtendedMark{0x26, 1};       // kExtended: serial, label and type follow
constexpr Field kSerial{0x27, 4};
constexpr Field kLabel{0x2B, 11};             // a copy of the root folder's label entry
constexpr Field kFileSystemType{0x36, 8};     // "FAT12   " or "FAT16   ", for people only
constexpr size_t kBlockEnd = 0x3E;            // the boot code resumes here
constexpr Field kSignature{0x1FE, 2};         // kSignatureValue in every boot sector
constexpr size_t kSize = 512;

constexpr uint8_t kExtended = 0x29;
constexpr uint16_t kSignatureValue = 0xAA55;
constexpr char kNoLabel[] = "NO NAME    ";   // kLabel of a volume without a label

static_assert(Contiguous({kJump, kOemName, kBytesPerSector, kSectorsPerCluster, kReservedSectors, kFatCount,
                          kRootEntries, kTotalSectors16, kMedia, kSectorsPerFat, kSectorsPerTrack, kHeads,
                          kHiddenSectors, kTotalSectors32, kDriveNumber, kReserved, kExtendedMark, kSerial,
                          kLabel, kFileSystemType}));
static_assert(kFileSystemType.end() == kBlockEnd && kSignature.end() == kSize);
static_assert(sizeof(kNoLabel) - 1 == kLabel.size);
}  // namespace boot

namespace entry {
constexpr Field kName{0, 11};                 // name and extension, blank-padded
constexpr Field kAttributes{11, 1};
constexpr Field kReserved{12, 1};
constexpr Field kCreateTenths{13, 1};
constexpr Field kCreateTime{14, 2};
constexpr Field kCreateDate{16, 2};
constexpr Field kAccessDate{18, 2};
constexpr Field kClusterHigh{20, 2};          // FAT32 only; 0 here
constexpr Field kWriteTime{22, 2};
constexpr Field kWriteDate{24, 2};
constexpr Field kFirstCluster{26, 2};         // 0 for an empty file; in "..", 0 is the root
constexpr Field kFileSize{28, 4};
constexpr size_t kSize = 32;

static_assert(Contiguous({kName, kAttributes, kReserved, kCreateTenths, kCreateTime, kCreateDate, kAccessDate,
                          kClusterHigh, kWriteTime, kWriteDate, kFirstCluster, kFileSize}));
static_assert(kFileSize.end() == kSize);

// The first name byte of an entry that was never used (nothing follows it
// in its folder) and of a deleted one.
constexpr uint8_t kNeverUsed = 0x00;
constexpr uint8_t kDeleted = 0xE5;

constexpr uint8_t kReadOnly = 0x01, kHidden = 0x02, kSystem = 0x04;
constexpr uint8_t kVolume = 0x08, kDirectory = 0x10, kArchive = 0x20;
// A fragment of a long name, which other tools write before its short entry.
constexpr uint8_t kLongName = kReadOnly | kHidden | kSystem | kVolume;

inline uint8_t Attributes(const uint8_t* e) { return e[kAttributes.at]; }
inline bool IsEnd(const uint8_t* e) { return e[0] == kNeverUsed; }
inline bool IsFree(const uint8_t* e) { return e[0] == kNeverUsed || e[0] == kDeleted; }
inline bool IsLongName(const uint8_t* e) { return (Attributes(e) & kLongName) == kLongName; }
inline bool IsDirectory(const uint8_t* e) { return (Attributes(e) & kDirectory) != 0; }
// The volume label, which lives in the root folder.
inline bool IsLabel(const uint8_t* e) { return !IsFree(e) && !IsLongName(e) && (Attributes(e) & kVolume); }
// A file or folder (not free, deleted, the label or a long-name fragment).
inline bool IsNamed(const uint8_t* e) { return !IsFree(e) && !IsLongName(e) && !(Attributes(e) & kVolume); }
// The "." and ".." entries at the start of every subfolder.
inline bool IsDot(const uint8_t* e) { return e[0] == '.' && (e[1] == ' ' || e[1] == '.'); }
inline uint32_t FirstCluster(const uint8_t* e) { return Get(e, kFirstCluster); }
}  // namespace entry

}  // namespace imagelib::fat
