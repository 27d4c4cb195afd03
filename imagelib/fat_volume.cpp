#include "imagelib/fat_volume.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string_view>

#include "common/path_components.h"
#include "imagelib/fat_structures.h"

namespace imagelib {
namespace {

using namespace fat;

constexpr uint32_t kFatCopies = 2;
constexpr ShortName kBlankName{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};

// A field of a record and what goes into it: a number, or a text (padded
// with blanks to the field's width, and cut to it).
struct FieldValue {
    FieldValue(Field f, uint32_t n) : field(f), number(n) {}
    FieldValue(Field f, std::string_view t) : field(f), isText(true), text(t) {}
    void WriteTo(uint8_t* record) const {
        if (!isText) return Put(record, field, number);
        std::memset(record + field.at, ' ', field.size);
        std::memcpy(record + field.at, text.data(), std::min(text.size(), field.size));
    }
    Field field;
    uint32_t number = 0;
    bool isText = false;
    std::string_view text;
};

// Sectors each FAT needs for `total` sectors with the other choices made.
bool FitFat(uint32_t total, uint32_t reserved, uint32_t rootSectors, uint32_t spc, bool fat16,
            uint32_t& spf, uint32_t& clusters) {
    spf = 1;
    for (int round = 0; round < 64; ++round) {
        const uint32_t overhead = reserved + kFatCopies * spf + rootSectors;
        if (overhead >= total) return false;
        clusters = (total - overhead) / spc;
        const uint64_t fatBytes = fat16 ? (clusters + 2ull) * 2 : ((clusters + 2ull) * 3 + 1) / 2;
        const uint32_t need = static_cast<uint32_t>((fatBytes + 511) / 512);
        if (need <= spf) return true;
        spf = need;
    }
    return false;
}

// A volume label as stored: upper case and padded with blanks. False for one
// of more than 11 characters or with a character a label cannot hold; a
// blank result means no label.
bool ParseLabel(const std::string& text, ShortName& out) {
    if (text.size() > out.size()) return false;
    out = kBlankName;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\"*+,./:;<=>?[\\]|", c)) return false;
        out[i] = c;
    }
    return true;
}

// Which of an entry's times a change sets.
enum Stamp : unsigned { kStampWrite = 1, kStampAccess = 2, kStampCreate = 4, kStampAll = 7 };

void StampEntry(uint8_t* e, unsigned stamps, uint16_t date, uint16_t time) {
    if (stamps & kStampCreate) {
        Put(e, entry::kCreateTime, time);
        Put(e, entry::kCreateDate, date);
    }
    if (stamps & kStampAccess) Put(e, entry::kAccessDate, date);
    if (stamps & kStampWrite) {
        Put(e, entry::kWriteTime, time);
        Put(e, entry::kWriteDate, date);
    }
}

// A fresh entry: name and attributes, the given times, everything else 0.
void MakeEntry(uint8_t* e, const char* name11, uint8_t attributes, unsigned stamps, uint16_t date, uint16_t time) {
    std::memset(e, 0, entry::kSize);
    PutText(e, entry::kName, name11);
    Put(e, entry::kAttributes, attributes);
    StampEntry(e, stamps, date, time);
}

// A label entry, written now.
void MakeLabelEntry(uint8_t* e, const ShortName& label) {
    uint16_t date, time;
    DosTimestamp(date, time);
    MakeEntry(e, label.data(), entry::kVolume, kStampWrite, date, time);
}

}  // namespace

const char* FatErrorText(FatError error) {
    switch (error) {
        case FatError::None: return "Done.";
        case FatError::NotFound: return "The file or folder does not exist.";
        case FatError::Exists: return "A file or folder of that name already exists.";
        case FatError::InvalidName: return "The name is not a valid short (8.3) file name.";
        case FatError::NotADirectory: return "A file stands where a folder is expected.";
        case FatError::IsADirectory: return "That is a folder, not a file.";
        case FatError::DirectoryNotEmpty: return "The folder is not empty.";
        case FatError::DiskFull: return "There is not enough free space in the image.";
        case FatError::RootFull: return "The root folder of the image has no free entry left.";
        case FatError::Corrupt: return "The image's file system is damaged.";
    }
    return "Unknown error.";
}

void DosTimestamp(uint16_t& date, uint16_t& time) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int year = std::clamp(local.tm_year + 1900, 1980, 2107);
    date = static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

FatLayout FatLayout::Floppy1440() {
    FatLayout l;
    l.totalSectors = 2880;
    l.sectorsPerTrack = 18;
    l.heads = 2;
    l.rootEntries = 224;
    l.media = 0xF0;
    l.sectorsPerCluster = 1;
    l.driveNumber = 0x00;
    return l;
}

FatLayout FatLayout::RamDisk(uint32_t kilobytes) {
    FatLayout l;
    l.totalSectors = kilobytes * 2;
    l.sectorsPerTrack = 32;
    l.heads = 64;
    l.rootEntries = 512;
    l.media = 0xF0;
    l.sectorsPerCluster = 0;  // chosen by Format
    l.driveNumber = 0x00;
    return l;
}

bool FatVolume::Format(std::vector<uint8_t>& image, size_t offset, const FatLayout& layout,
                       const std::vector<uint8_t>& bootCode, const std::string& label,
                       uint32_t serial) {
    if (bootCode.size() != kSectorSize || layout.totalSectors < 64 || layout.rootEntries % 16) return false;
    const uint32_t total = layout.totalSectors;
    const uint32_t reserved = 1;
    const uint32_t rootSectors = layout.rootEntries * entry::kSize / kSectorSize;

    // Keep the cluster count well away from the FAT12/FAT16 boundary (4085),
    // where readers disagree about the type.
    uint32_t spc = 0, spf = 0;
    bool fat16 = false;
    auto tryFit = [&](uint32_t s, bool f16) {
        uint32_t fp = 0, cl = 0;
        if (!FitFat(total, reserved, rootSectors, s, f16, fp, cl)) return false;
        if (f16 ? (cl < 4200 || cl > 65500) : cl > 4000) return false;
        spc = s;
        spf = fp;
        fat16 = f16;
        return true;
    };
    if (layout.sectorsPerCluster) {
        if (!tryFit(layout.sectorsPerCluster, false) && !tryFit(layout.sectorsPerCluster, true)) return false;
    } else {
        bool found = false;
        // FAT12 up to 8 MB (clusters of at most 4 KB), FAT16 beyond.
        for (uint32_t s = 1; s <= 8 && !found && total <= 16384; s *= 2) found = tryFit(s, false);
        for (uint32_t s = 1; s <= 64 && !found; s *= 2) found = tryFit(s, true);
        if (!found) return false;
    }

    ShortName labelName;
    if (!ParseLabel(label, labelName)) return false;
    const bool hasLabel = labelName != kBlankName;

    // The boot sector: the boot code, with the parameter block laid over it.
    const bool small = total < 0x10000;
    const FieldValue parameters[] = {
        {boot::kOemName, "MENVOLT "},
        {boot::kBytesPerSector, kSectorSize},
        {boot::kSectorsPerCluster, spc},
        {boot::kReservedSectors, reserved},
        {boot::kFatCount, kFatCopies},
        {boot::kRootEntries, layout.rootEntries},
        {boot::kTotalSectors16, small ? total : 0},
        {boot::kMedia, layout.media},
        {boot::kSectorsPerFat, spf},
        {boot::kSectorsPerTrack, layout.sectorsPerTrack},
        {boot::kHeads, layout.heads},
        {boot::kHiddenSectors, 0},  // the volume is the whole disk
        {boot::kTotalSectors32, small ? 0 : total},
        {boot::kDriveNumber, layout.driveNumber},  // the drive the boot code is started from
        {boot::kReserved, 0},
        {boot::kExtendedMark, boot::kExtended},
        {boot::kSerial, serial},
        {boot::kLabel, hasLabel ? std::string_view(labelName.data(), labelName.size()) : boot::kNoLabel},
        {boot::kFileSystemType, fat16 ? "FAT16   " : "FAT12   "},
        {boot::kSignature, boot::kSignatureValue},
    };
    const size_t bytes = static_cast<size_t>(total) * kSectorSize;
    if (image.size() < offset + bytes) image.resize(offset + bytes);
    uint8_t* v = image.data() + offset;
    std::memset(v, 0, bytes);
    std::memcpy(v, bootCode.data(), kSectorSize);
    for (const FieldValue& p : parameters) p.WriteTo(v);

    // Each FAT starts with the media byte in its first entry and an end mark
    // in the second; every other cluster is free.
    for (uint32_t f = 0; f < kFatCopies; ++f) {
        uint8_t* fat = v + (reserved + f * spf) * kSectorSize;
        if (fat16) {
            Put16(fat, 0xFF00 | layout.media);
            Put16(fat + 2, 0xFFFF);
        } else {
            fat[0] = layout.media;
            fat[1] = 0xFF;
            fat[2] = 0xFF;
        }
    }
    if (hasLabel) MakeLabelEntry(v + (reserved + kFatCopies * spf) * kSectorSize, labelName);
    return true;
}

bool FatVolume::Mount(std::vector<uint8_t>& image, size_t offset) {
    if (image.size() < offset + kSectorSize) return false;
    const uint8_t* v = image.data() + offset;
    if (Get(v, boot::kBytesPerSector) != kSectorSize) return false;
    const uint32_t spc = Get(v, boot::kSectorsPerCluster);
    if (spc == 0 || (spc & (spc - 1))) return false;
    const uint32_t reserved = Get(v, boot::kReservedSectors);
    const uint32_t fats = Get(v, boot::kFatCount);
    const uint32_t rootEntries = Get(v, boot::kRootEntries);
    uint32_t total = Get(v, boot::kTotalSectors16);
    if (total == 0) total = Get(v, boot::kTotalSectors32);
    const uint32_t spf = Get(v, boot::kSectorsPerFat);
    if (reserved == 0 || fats == 0 || fats > 2 || spf == 0 || rootEntries == 0 || rootEntries % 16) return false;
    if (static_cast<uint64_t>(total) * kSectorSize > image.size() - offset) return false;
    const uint32_t rootSectors = rootEntries * entry::kSize / kSectorSize;
    const uint64_t firstData = reserved + static_cast<uint64_t>(fats) * spf + rootSectors;
    if (firstData >= total) return false;
    const uint32_t clusters = static_cast<uint32_t>((total - firstData) / spc);
    if (clusters < 1 || clusters >= 65525) return false;  // FAT32 is not handled here
    const bool fat16 = clusters >= 4085;
    const uint64_t fatBytesNeeded = fat16 ? (clusters + 2ull) * 2 : ((clusters + 2ull) * 3 + 1) / 2;
    if (static_cast<uint64_t>(spf) * kSectorSize < fatBytesNeeded) return false;

    m_image = &image;
    m_base = offset;
    m_totalSectors = total;
    m_sectorsPerCluster = spc;
    m_clusterBytes = spc * kSectorSize;
    m_reserved = reserved;
    m_fatCount = fats;
    m_sectorsPerFat = spf;
    m_rootEntries = rootEntries;
    m_firstRootSector = reserved + fats * spf;
    m_firstDataSector = static_cast<uint32_t>(firstData);
    m_clusterCount = clusters;
    m_media = static_cast<uint8_t>(Get(v, boot::kMedia));
    m_fat16 = fat16;
    return true;
}

uint64_t FatVolume::TotalBytes() const { return static_cast<uint64_t>(m_clusterCount) * m_clusterBytes; }
uint64_t FatVolume::FreeBytes() const { return static_cast<uint64_t>(CountFree()) * m_clusterBytes; }

uint32_t FatVolume::FatGet(uint32_t cluster) const {
    const uint8_t* fat = At(m_base + m_reserved * kSectorSize);
    if (m_fat16) return Get16(fat + cluster * 2);
    const uint16_t pair = Get16(fat + cluster + cluster / 2);
    return (cluster & 1) ? (pair >> 4) : (pair & 0x0FFF);
}

void FatVolume::FatSet(uint32_t cluster, uint32_t value) {
    // Every copy of the FAT gets the same change.
    for (uint32_t f = 0; f < m_fatCount; ++f) {
        uint8_t* fat = At(m_base + (m_reserved + f * m_sectorsPerFat) * kSectorSize);
        if (m_fat16) {
            Put16(fat + cluster * 2, value);
        } else {
            uint8_t* p = fat + cluster + cluster / 2;
            uint16_t pair = Get16(p);
            pair = (cluster & 1) ? static_cast<uint16_t>((pair & 0x000F) | ((value & 0x0FFF) << 4))
                                 : static_cast<uint16_t>((pair & 0xF000) | (value & 0x0FFF));
            Put16(p, pair);
        }
    }
}

size_t FatVolume::ClusterOffset(uint32_t cluster) const {
    return m_base + (static_cast<size_t>(m_firstDataSector) + static_cast<size_t>(cluster - 2) * m_sectorsPerCluster) *
                        kSectorSize;
}

FatError FatVolume::Chain(uint32_t first, std::vector<uint32_t>& out) const {
    out.clear();
    if (first == 0) return FatError::None;
    uint32_t c = first;
    while (true) {
        if (!ValidCluster(c) || out.size() > m_clusterCount) return FatError::Corrupt;
        out.push_back(c);
        const uint32_t next = FatGet(c);
        if (IsEnd(next)) return FatError::None;
        c = next;
    }
}

uint32_t FatVolume::CountFree() const {
    uint32_t n = 0;
    for (uint32_t c = 2; c < m_clusterCount + 2; ++c)
        if (FatGet(c) == 0) ++n;
    return n;
}

FatError FatVolume::Allocate(uint32_t count, std::vector<uint32_t>& out) {
    out.clear();
    if (count == 0) return FatError::None;
    for (uint32_t c = 2; c < m_clusterCount + 2 && out.size() < count; ++c)
        if (FatGet(c) == 0) out.push_back(c);
    if (out.size() < count) {
        out.clear();
        return FatError::DiskFull;
    }
    for (size_t i = 0; i < out.size(); ++i) {
        FatSet(out[i], i + 1 < out.size() ? out[i + 1] : (m_fat16 ? 0xFFFF : 0xFFF));
        std::memset(At(ClusterOffset(out[i])), 0, m_clusterBytes);
    }
    return FatError::None;
}

void FatVolume::FreeChain(uint32_t first) {
    std::vector<uint32_t> chain;
    Chain(first, chain);  // a damaged chain is freed as far as it is valid
    for (uint32_t c : chain) FatSet(c, 0);
}

void FatVolume::RootSlots(std::vector<size_t>& out) const {
    out.clear();
    const size_t start = m_base + static_cast<size_t>(m_firstRootSector) * kSectorSize;
    for (uint32_t i = 0; i < m_rootEntries; ++i) out.push_back(start + i * entry::kSize);
}

void FatVolume::ClusterSlots(const std::vector<uint32_t>& clusters, std::vector<size_t>& out) const {
    out.clear();
    for (uint32_t c : clusters) {
        const size_t start = ClusterOffset(c);
        for (size_t i = 0; i < m_clusterBytes / entry::kSize; ++i) out.push_back(start + i * entry::kSize);
    }
}

FatError FatVolume::DirSlots(uint32_t dirCluster, std::vector<size_t>& out) const {
    out.clear();
    if (dirCluster == 0) {
        RootSlots(out);
        return FatError::None;
    }
    std::vector<uint32_t> chain;
    FatError err = Chain(dirCluster, chain);
    if (err != FatError::None) return err;
    ClusterSlots(chain, out);
    return FatError::None;
}

void FatVolume::KeepNamed(std::vector<size_t>& slots) const {
    auto end = std::find_if(slots.begin(), slots.end(), [&](size_t s) { return entry::IsEnd(At(s)); });
    slots.erase(end, slots.end());
    std::erase_if(slots, [&](size_t s) { return !entry::IsNamed(At(s)) || entry::IsDot(At(s)); });
}

FatError FatVolume::NamedSlots(uint32_t dirCluster, std::vector<size_t>& out) const {
    FatError err = DirSlots(dirCluster, out);
    if (err == FatError::None) KeepNamed(out);
    return err;
}

FatError FatVolume::FindIn(uint32_t dirCluster, const ShortName& name, size_t& slot) const {
    std::vector<size_t> slots;
    FatError err = NamedSlots(dirCluster, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) {
        if (std::memcmp(At(s) + entry::kName.at, name.data(), entry::kName.size) == 0) {
            slot = s;
            return FatError::None;
        }
    }
    return FatError::NotFound;
}

FatError FatVolume::Walk(const std::string& path, bool wantParent, uint32_t& dirCluster, ShortName& leaf,
                         bool& isRoot) const {
    const std::vector<std::string> parts = common::SplitComponents(path);
    dirCluster = 0;
    isRoot = parts.empty();
    if (isRoot) return FatError::None;
    const size_t folders = wantParent ? parts.size() - 1 : parts.size();
    for (size_t i = 0; i < folders; ++i) {
        ShortName n;
        if (!ParseShortName(parts[i], n)) return FatError::NotFound;
        size_t slot;
        FatError err = FindIn(dirCluster, n, slot);
        if (err != FatError::None) return err;
        const uint8_t* e = At(slot);
        if (!entry::IsDirectory(e)) return FatError::NotADirectory;
        dirCluster = entry::FirstCluster(e);
        if (!ValidCluster(dirCluster)) return FatError::Corrupt;
    }
    if (wantParent && !ParseShortName(parts.back(), leaf)) return FatError::InvalidName;
    return FatError::None;
}

FatEntryInfo FatVolume::Info(const uint8_t* e) {
    FatEntryInfo info;
    ShortName raw;
    std::memcpy(raw.data(), e + entry::kName.at, entry::kName.size);
    info.name = FormatShortName(raw);
    info.isDirectory = entry::IsDirectory(e);
    info.size = info.isDirectory ? 0 : Get(e, entry::kFileSize);
    info.time = static_cast<uint16_t>(Get(e, entry::kWriteTime));
    info.date = static_cast<uint16_t>(Get(e, entry::kWriteDate));
    return info;
}

bool FatVolume::FindLabel(size_t& slot) const {
    std::vector<size_t> slots;
    RootSlots(slots);
    for (size_t s : slots) {
        if (entry::IsEnd(At(s))) break;
        if (entry::IsLabel(At(s))) {
            slot = s;
            return true;
        }
    }
    return false;
}

std::string FatVolume::Label() const {
    // The root folder's label entry is what DOS shows; the boot sector copy
    // is only a fallback.
    size_t slot;
    if (!FindLabel(slot)) return {};
    std::string l(reinterpret_cast<const char*>(At(slot)), entry::kName.size);
    while (!l.empty() && l.back() == ' ') l.pop_back();
    return l;
}

FatError FatVolume::SetLabel(const std::string& label) {
    ShortName name;
    if (!ParseLabel(label, name)) return FatError::InvalidName;
    size_t slot = 0;
    const bool have = FindLabel(slot);
    uint8_t* bootSector = At(m_base);
    if (name == kBlankName) {
        if (have) At(slot)[0] = entry::kDeleted;
        PutText(bootSector, boot::kLabel, boot::kNoLabel);
        return FatError::None;
    }
    if (!have) {
        FatError err = FreeSlot(0, slot);
        if (err != FatError::None) return err;
    }
    MakeLabelEntry(At(slot), name);
    PutText(bootSector, boot::kLabel, name.data());
    return FatError::None;
}

FatError FatVolume::List(const std::string& folder, std::vector<FatEntryInfo>& out) const {
    out.clear();
    uint32_t dir;
    ShortName unused;
    bool isRoot;
    FatError err = Walk(folder, false, dir, unused, isRoot);
    if (err != FatError::None) return err;
    std::vector<size_t> slots;
    err = NamedSlots(dir, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) out.push_back(Info(At(s)));
    return FatError::None;
}

FatError FatVolume::LookUp(const std::string& path, Lookup& found) const {
    found = Lookup{};
    FatError err = Walk(path, true, found.dir, found.leaf, found.isRoot);
    if (err != FatError::None) {
        found.isRoot = false;
        return err;
    }
    if (found.isRoot) return FatError::None;
    err = FindIn(found.dir, found.leaf, found.slot);
    found.exists = err == FatError::None;
    return err == FatError::NotFound ? FatError::None : err;
}

FatError FatVolume::Stat(const std::string& path, FatEntryInfo& out) const {
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot) {
        out = FatEntryInfo{};
        out.isDirectory = true;
        return FatError::None;
    }
    if (!f.exists) return FatError::NotFound;
    out = Info(At(f.slot));
    return FatError::None;
}

FatError FatVolume::ReadFile(const std::string& path, std::vector<uint8_t>& out) const {
    out.clear();
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot) return FatError::IsADirectory;
    if (!f.exists) return FatError::NotFound;
    const uint8_t* e = At(f.slot);
    if (entry::IsDirectory(e)) return FatError::IsADirectory;
    const uint32_t size = Get(e, entry::kFileSize);
    std::vector<uint32_t> chain;
    err = Chain(entry::FirstCluster(e), chain);
    if (err != FatError::None) return err;
    if (static_cast<uint64_t>(chain.size()) * m_clusterBytes < size) return FatError::Corrupt;
    out.resize(size);
    size_t done = 0;
    for (uint32_t c : chain) {
        if (done >= size) break;
        const size_t n = std::min<size_t>(m_clusterBytes, size - done);
        std::memcpy(out.data() + done, At(ClusterOffset(c)), n);
        done += n;
    }
    return FatError::None;
}

FatError FatVolume::FirstFreeSlot(uint32_t dirCluster, size_t& slot, bool& found) const {
    found = false;
    std::vector<size_t> slots;
    FatError err = DirSlots(dirCluster, slots);
    if (err != FatError::None) return err;
    auto it = std::find_if(slots.begin(), slots.end(), [&](size_t s) { return entry::IsFree(At(s)); });
    if (it != slots.end()) {
        slot = *it;
        found = true;
    }
    return FatError::None;
}

FatError FatVolume::SlotCost(uint32_t dirCluster, uint32_t& clusters) const {
    size_t slot;
    bool found;
    FatError err = FirstFreeSlot(dirCluster, slot, found);
    if (err != FatError::None) return err;
    if (!found && dirCluster == 0) return FatError::RootFull;
    clusters = found ? 0 : 1;
    return FatError::None;
}

FatError FatVolume::FreeSlot(uint32_t dirCluster, size_t& slot) {
    bool found;
    FatError err = FirstFreeSlot(dirCluster, slot, found);
    if (err != FatError::None || found) return err;
    if (dirCluster == 0) return FatError::RootFull;
    // A subfolder grows by one cluster, linked to the end of its chain.
    std::vector<uint32_t> chain, fresh;
    err = Chain(dirCluster, chain);
    if (err != FatError::None) return err;
    err = Allocate(1, fresh);
    if (err != FatError::None) return err;
    FatSet(chain.back(), fresh[0]);
    slot = ClusterOffset(fresh[0]);
    return FatError::None;
}

FatError FatVolume::WriteFile(const std::string& path, const uint8_t* data, size_t size, bool replace) {
    if (size > 0xFFFFFFFFull) return FatError::DiskFull;
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot) return FatError::IsADirectory;
    const uint32_t dir = f.dir;
    const ShortName& leaf = f.leaf;
    const bool exists = f.exists;
    size_t slot = f.slot;
    std::vector<uint32_t> oldChain;
    if (exists) {
        if (entry::IsDirectory(At(slot))) return FatError::IsADirectory;
        if (!replace) return FatError::Exists;
        err = Chain(entry::FirstCluster(At(slot)), oldChain);
        if (err != FatError::None) return err;
    }

    // Count everything first so that a full disk changes nothing.
    const uint32_t need = static_cast<uint32_t>((size + m_clusterBytes - 1) / m_clusterBytes);
    uint32_t slotClusters = 0;
    if (!exists) {
        err = SlotCost(dir, slotClusters);
        if (err != FatError::None) return err;
    }
    if (static_cast<uint64_t>(need) + slotClusters > CountFree() + oldChain.size()) return FatError::DiskFull;

    if (exists) {
        FreeChain(entry::FirstCluster(At(slot)));
    } else {
        err = FreeSlot(dir, slot);
        if (err != FatError::None) return err;
    }
    std::vector<uint32_t> chain;
    err = Allocate(need, chain);
    if (err != FatError::None) return err;
    size_t done = 0;
    for (uint32_t c : chain) {
        const size_t n = std::min<size_t>(m_clusterBytes, size - done);
        std::memcpy(At(ClusterOffset(c)), data + done, n);
        done += n;
    }
    uint8_t* e = At(slot);
    uint16_t date, time;
    DosTimestamp(date, time);
    if (!exists) MakeEntry(e, leaf.data(), entry::kArchive, kStampCreate, date, time);
    Put(e, entry::kAttributes, entry::Attributes(e) | entry::kArchive);
    StampEntry(e, kStampAccess | kStampWrite, date, time);
    Put(e, entry::kFirstCluster, chain.empty() ? 0 : chain.front());
    Put(e, entry::kFileSize, static_cast<uint32_t>(size));
    return FatError::None;
}

FatError FatVolume::MakeDirectory(const std::string& path) {
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot || f.exists) return FatError::Exists;
    const uint32_t dir = f.dir;
    size_t slot = 0;

    uint32_t slotClusters = 0;
    err = SlotCost(dir, slotClusters);
    if (err != FatError::None) return err;
    if (CountFree() < 1 + slotClusters) return FatError::DiskFull;

    err = FreeSlot(dir, slot);
    if (err != FatError::None) return err;
    std::vector<uint32_t> cluster;
    err = Allocate(1, cluster);
    if (err != FatError::None) return err;

    uint16_t date, time;
    DosTimestamp(date, time);
    auto make = [&](uint8_t* e, const char* name11, uint32_t first) {
        MakeEntry(e, name11, entry::kDirectory, kStampAll, date, time);
        Put(e, entry::kFirstCluster, first);
    };
    uint8_t* body = At(ClusterOffset(cluster[0]));
    make(body, ".          ", cluster[0]);
    make(body + entry::kSize, "..         ", dir);  // 0 stands for the root
    make(At(slot), f.leaf.data(), cluster[0]);
    return FatError::None;
}

void FatVolume::DropLongName(uint32_t dirCluster, size_t slot) {
    // Long-name parts written by other tools sit right before their short
    // entry; left behind they would be orphans once the entry goes or changes.
    std::vector<size_t> slots;
    if (DirSlots(dirCluster, slots) != FatError::None) return;
    auto it = std::find(slots.begin(), slots.end(), slot);
    while (it != slots.begin()) {
        --it;
        uint8_t* e = At(*it);
        if (entry::IsFree(e) || !entry::IsLongName(e)) break;
        e[0] = entry::kDeleted;
    }
}

FatError FatVolume::RemoveEntry(uint32_t dirCluster, size_t slot, int depth) {
    uint8_t* e = At(slot);
    if (entry::IsDirectory(e)) {
        // Folders nest far less deeply than this on a sound volume; a loop does not end.
        const uint32_t sub = entry::FirstCluster(e);
        if (depth > 64 || !ValidCluster(sub) || sub == dirCluster) return FatError::Corrupt;
        std::vector<size_t> slots;
        FatError err = NamedSlots(sub, slots);
        if (err != FatError::None) return err;
        for (size_t s : slots) {
            err = RemoveEntry(sub, s, depth + 1);
            if (err != FatError::None) return err;
        }
    }
    FreeChain(entry::FirstCluster(e));
    DropLongName(dirCluster, slot);
    e[0] = entry::kDeleted;
    return FatError::None;
}

FatError FatVolume::Remove(const std::string& path) {
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot) return FatError::IsADirectory;
    if (!f.exists) return FatError::NotFound;
    return RemoveEntry(f.dir, f.slot, 0);
}

FatError FatVolume::Rename(const std::string& path, const std::string& newName) {
    uint32_t dir;
    ShortName leaf, target;
    bool isRoot;
    FatError err = Walk(path, true, dir, leaf, isRoot);
    if (err != FatError::None) return err;
    if (isRoot) return FatError::IsADirectory;
    if (!ParseShortName(newName, target)) return FatError::InvalidName;
    size_t slot, other;
    err = FindIn(dir, leaf, slot);
    if (err != FatError::None) return err;
    if (target == leaf) return FatError::None;
    err = FindIn(dir, target, other);
    if (err == FatError::None) return FatError::Exists;
    if (err != FatError::NotFound) return err;
    DropLongName(dir, slot);
    PutText(At(slot), entry::kName, target.data());
    return FatError::None;
}

}  // namespace imagelib
