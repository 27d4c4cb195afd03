#include "fat_volume.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace imagelib {
namespace {

constexpr size_t kEntrySize = 32;
constexpr uint8_t kAttrReadOnly = 0x01, kAttrHidden = 0x02, kAttrSystem = 0x04;
constexpr uint8_t kAttrVolume = 0x08, kAttrDirectory = 0x10, kAttrArchive = 0x20;
constexpr uint8_t kAttrLongName = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrVolume;
constexpr uint8_t kDeleted = 0xE5;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }
void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

// An entry that names a file or folder (not free, deleted, a label or a
// long-name fragment).
bool IsNamed(const uint8_t* e) {
    if (e[0] == 0 || e[0] == kDeleted) return false;
    if ((e[11] & kAttrLongName) == kAttrLongName) return false;
    return (e[11] & kAttrVolume) == 0;
}
bool IsDot(const uint8_t* e) { return e[0] == '.'; }

uint32_t FirstCluster(const uint8_t* e) { return Get16(e + 26); }

// Sectors each FAT needs for `total` sectors with the other choices made.
bool FitFat(uint32_t total, uint32_t reserved, uint32_t rootSectors, uint32_t spc, bool fat16,
            uint32_t& spf, uint32_t& clusters) {
    spf = 1;
    for (int round = 0; round < 64; ++round) {
        const uint32_t overhead = reserved + 2 * spf + rootSectors;
        if (overhead >= total) return false;
        clusters = (total - overhead) / spc;
        const uint64_t fatBytes = fat16 ? (clusters + 2ull) * 2 : ((clusters + 2ull) * 3 + 1) / 2;
        const uint32_t need = static_cast<uint32_t>((fatBytes + 511) / 512);
        if (need <= spf) return true;
        spf = need;
    }
    return false;
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
    const uint32_t rootSectors = layout.rootEntries * kEntrySize / kSectorSize;

    // Keep the cluster count well away from the FAT12/FAT16 boundary (4085),
    // where readers disagree about the type.
    uint32_t spc = 0, spf = 0, clusters = 0;
    bool fat16 = false;
    auto tryFit = [&](uint32_t s, bool f16) {
        uint32_t fp = 0, cl = 0;
        if (!FitFat(total, reserved, rootSectors, s, f16, fp, cl)) return false;
        if (f16 ? (cl < 4200 || cl > 65500) : cl > 4000) return false;
        spc = s;
        spf = fp;
        clusters = cl;
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
    (void)clusters;

    std::string labelText = label;
    ShortName labelName;
    labelName.fill(' ');
    if (!labelText.empty()) {
        if (labelText.size() > 11) return false;
        for (size_t i = 0; i < labelText.size(); ++i) {
            char c = labelText[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\"*+,./:;<=>?[\\]|", c)) return false;
            labelName[i] = c;
        }
    }

    const size_t bytes = static_cast<size_t>(total) * kSectorSize;
    if (image.size() < offset + bytes) image.resize(offset + bytes);
    uint8_t* v = image.data() + offset;
    std::memset(v, 0, bytes);
    std::memcpy(v, bootCode.data(), kSectorSize);
    std::memcpy(v + 3, "MENVOLT ", 8);
    Put16(v + 0x0B, kSectorSize);
    v[0x0D] = static_cast<uint8_t>(spc);
    Put16(v + 0x0E, reserved);
    v[0x10] = 2;
    Put16(v + 0x11, layout.rootEntries);
    Put16(v + 0x13, total < 0x10000 ? total : 0);
    v[0x15] = layout.media;
    Put16(v + 0x16, spf);
    Put16(v + 0x18, layout.sectorsPerTrack);
    Put16(v + 0x1A, layout.heads);
    Put32(v + 0x1C, 0);
    Put32(v + 0x20, total < 0x10000 ? 0 : total);
    v[0x24] = layout.driveNumber;
    v[0x25] = 0;
    v[0x26] = 0x29;
    Put32(v + 0x27, serial);
    std::memcpy(v + 0x2B, label.empty() ? "NO NAME    " : std::string(labelName.data(), 11).c_str(), 11);
    std::memcpy(v + 0x36, fat16 ? "FAT16   " : "FAT12   ", 8);
    v[510] = 0x55;
    v[511] = 0xAA;

    for (uint32_t f = 0; f < 2; ++f) {
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
    if (!label.empty()) {
        uint8_t* e = v + (reserved + 2 * spf) * kSectorSize;
        std::memcpy(e, labelName.data(), 11);
        e[11] = kAttrVolume;
        uint16_t date, time;
        DosTimestamp(date, time);
        Put16(e + 22, time);
        Put16(e + 24, date);
    }
    return true;
}

bool FatVolume::Mount(std::vector<uint8_t>& image, size_t offset) {
    if (image.size() < offset + kSectorSize) return false;
    const uint8_t* v = image.data() + offset;
    if (Get16(v + 0x0B) != kSectorSize) return false;
    const uint32_t spc = v[0x0D];
    if (spc == 0 || (spc & (spc - 1))) return false;
    const uint32_t reserved = Get16(v + 0x0E);
    const uint32_t fats = v[0x10];
    const uint32_t rootEntries = Get16(v + 0x11);
    uint32_t total = Get16(v + 0x13);
    if (total == 0) total = Get32(v + 0x20);
    const uint32_t spf = Get16(v + 0x16);
    if (reserved == 0 || fats == 0 || fats > 2 || spf == 0 || rootEntries == 0 || rootEntries % 16) return false;
    if (static_cast<uint64_t>(total) * kSectorSize > image.size() - offset) return false;
    const uint32_t rootSectors = rootEntries * kEntrySize / kSectorSize;
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
    m_media = v[0x15];
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

FatError FatVolume::DirSlots(uint32_t dirCluster, std::vector<size_t>& out) const {
    out.clear();
    if (dirCluster == 0) {
        const size_t start = m_base + static_cast<size_t>(m_firstRootSector) * kSectorSize;
        for (uint32_t i = 0; i < m_rootEntries; ++i) out.push_back(start + i * kEntrySize);
        return FatError::None;
    }
    std::vector<uint32_t> chain;
    FatError err = Chain(dirCluster, chain);
    if (err != FatError::None) return err;
    for (uint32_t c : chain) {
        const size_t start = ClusterOffset(c);
        for (size_t i = 0; i < m_clusterBytes / kEntrySize; ++i) out.push_back(start + i * kEntrySize);
    }
    return FatError::None;
}

FatError FatVolume::FindIn(uint32_t dirCluster, const ShortName& name, size_t& slot) const {
    std::vector<size_t> slots;
    FatError err = DirSlots(dirCluster, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) {
        const uint8_t* e = At(s);
        if (e[0] == 0) break;  // nothing follows the first never-used entry
        if (!IsNamed(e) || IsDot(e)) continue;
        if (std::memcmp(e, name.data(), 11) == 0) {
            slot = s;
            return FatError::None;
        }
    }
    return FatError::NotFound;
}

FatError FatVolume::Walk(const std::string& path, bool wantParent, uint32_t& dirCluster, ShortName& leaf,
                         bool& isRoot) const {
    const std::vector<std::string> parts = SplitPath(path);
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
        if (!(e[11] & kAttrDirectory)) return FatError::NotADirectory;
        dirCluster = FirstCluster(e);
        if (!ValidCluster(dirCluster)) return FatError::Corrupt;
    }
    if (wantParent && !ParseShortName(parts.back(), leaf)) return FatError::InvalidName;
    return FatError::None;
}

FatEntryInfo FatVolume::Info(const uint8_t* e) {
    FatEntryInfo info;
    ShortName raw;
    std::memcpy(raw.data(), e, 11);
    info.name = FormatShortName(raw);
    info.isDirectory = (e[11] & kAttrDirectory) != 0;
    info.size = info.isDirectory ? 0 : Get32(e + 28);
    info.time = Get16(e + 22);
    info.date = Get16(e + 24);
    return info;
}

std::string FatVolume::Label() const {
    // The root folder's label entry is what DOS shows; the boot sector copy
    // is only a fallback.
    std::vector<size_t> slots;
    DirSlots(0, slots);
    for (size_t s : slots) {
        const uint8_t* e = At(s);
        if (e[0] == 0) break;
        if (e[0] != kDeleted && (e[11] & kAttrLongName) != kAttrLongName && (e[11] & kAttrVolume)) {
            std::string l(reinterpret_cast<const char*>(e), 11);
            while (!l.empty() && l.back() == ' ') l.pop_back();
            return l;
        }
    }
    return {};
}

FatError FatVolume::SetLabel(const std::string& label) {
    if (label.size() > 11) return FatError::InvalidName;
    std::string text;
    for (char c : label) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\"*+,./:;<=>?[\\]|", c)) return FatError::InvalidName;
        text += c;
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::vector<size_t> slots;
    DirSlots(0, slots);
    size_t existing = 0;
    bool have = false;
    for (size_t s : slots) {
        const uint8_t* e = At(s);
        if (e[0] == 0) break;
        if (e[0] != kDeleted && (e[11] & kAttrLongName) != kAttrLongName && (e[11] & kAttrVolume)) {
            existing = s;
            have = true;
            break;
        }
    }
    std::string padded = text;
    padded.resize(11, ' ');
    if (text.empty()) {
        if (have) At(existing)[0] = kDeleted;
        std::memcpy(At(m_base + 0x2B), "NO NAME    ", 11);
        return FatError::None;
    }
    if (!have) {
        FatError err = FreeSlot(0, existing);
        if (err != FatError::None) return err;
    }
    uint8_t* e = At(existing);
    std::memset(e, 0, kEntrySize);
    std::memcpy(e, padded.data(), 11);
    e[11] = kAttrVolume;
    uint16_t date, time;
    DosTimestamp(date, time);
    Put16(e + 22, time);
    Put16(e + 24, date);
    std::memcpy(At(m_base + 0x2B), padded.data(), 11);
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
    err = DirSlots(dir, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) {
        const uint8_t* e = At(s);
        if (e[0] == 0) break;
        if (IsNamed(e) && !IsDot(e)) out.push_back(Info(e));
    }
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
    if (e[11] & kAttrDirectory) return FatError::IsADirectory;
    const uint32_t size = Get32(e + 28);
    std::vector<uint32_t> chain;
    err = Chain(FirstCluster(e), chain);
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

FatError FatVolume::FreeSlot(uint32_t dirCluster, size_t& slot) {
    std::vector<size_t> slots;
    FatError err = DirSlots(dirCluster, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) {
        const uint8_t b = At(s)[0];
        if (b == 0 || b == kDeleted) {
            slot = s;
            return FatError::None;
        }
    }
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
        if (At(slot)[11] & kAttrDirectory) return FatError::IsADirectory;
        if (!replace) return FatError::Exists;
        err = Chain(FirstCluster(At(slot)), oldChain);
        if (err != FatError::None) return err;
    }

    // Count everything first so that a full disk changes nothing.
    const uint32_t need = static_cast<uint32_t>((size + m_clusterBytes - 1) / m_clusterBytes);
    uint32_t needSlotCluster = 0;
    if (!exists) {
        std::vector<size_t> slots;
        err = DirSlots(dir, slots);
        if (err != FatError::None) return err;
        bool freeSlot = std::any_of(slots.begin(), slots.end(), [&](size_t s) {
            return At(s)[0] == 0 || At(s)[0] == kDeleted;
        });
        if (!freeSlot) {
            if (dir == 0) return FatError::RootFull;
            needSlotCluster = 1;
        }
    }
    if (static_cast<uint64_t>(need) + needSlotCluster > CountFree() + oldChain.size()) return FatError::DiskFull;

    if (exists) {
        FreeChain(FirstCluster(At(slot)));
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
    if (!exists) {
        std::memset(e, 0, kEntrySize);
        std::memcpy(e, leaf.data(), 11);
        e[11] = kAttrArchive;
        Put16(e + 14, time);
        Put16(e + 16, date);
    }
    e[11] |= kAttrArchive;
    Put16(e + 18, date);
    Put16(e + 22, time);
    Put16(e + 24, date);
    Put16(e + 26, chain.empty() ? 0 : chain.front());
    Put32(e + 28, static_cast<uint32_t>(size));
    return FatError::None;
}

FatError FatVolume::MakeDirectory(const std::string& path) {
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot || f.exists) return FatError::Exists;
    const uint32_t dir = f.dir;
    const ShortName& leaf = f.leaf;
    size_t slot = 0;

    std::vector<size_t> slots;
    err = DirSlots(dir, slots);
    if (err != FatError::None) return err;
    bool freeSlot = std::any_of(slots.begin(), slots.end(), [&](size_t s) {
        return At(s)[0] == 0 || At(s)[0] == kDeleted;
    });
    if (!freeSlot && dir == 0) return FatError::RootFull;
    if (CountFree() < (freeSlot ? 1u : 2u)) return FatError::DiskFull;

    err = FreeSlot(dir, slot);
    if (err != FatError::None) return err;
    std::vector<uint32_t> cluster;
    err = Allocate(1, cluster);
    if (err != FatError::None) return err;

    uint16_t date, time;
    DosTimestamp(date, time);
    auto fill = [&](uint8_t* e, const char* name11, uint32_t first) {
        std::memset(e, 0, kEntrySize);
        std::memcpy(e, name11, 11);
        e[11] = kAttrDirectory;
        Put16(e + 14, time);
        Put16(e + 16, date);
        Put16(e + 18, date);
        Put16(e + 22, time);
        Put16(e + 24, date);
        Put16(e + 26, first);
    };
    uint8_t* body = At(ClusterOffset(cluster[0]));
    fill(body, ".          ", cluster[0]);
    fill(body + kEntrySize, "..         ", dir);  // 0 stands for the root
    fill(At(slot), leaf.data(), cluster[0]);
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
        if (e[0] == 0 || e[0] == kDeleted || (e[11] & kAttrLongName) != kAttrLongName) break;
        e[0] = kDeleted;
    }
}

FatError FatVolume::RemoveTree(uint32_t dirCluster, int depth) {
    // Folders nest far less deeply than this on a sound volume; a loop does not end.
    if (depth > 64) return FatError::Corrupt;
    std::vector<size_t> slots;
    FatError err = DirSlots(dirCluster, slots);
    if (err != FatError::None) return err;
    for (size_t s : slots) {
        uint8_t* e = At(s);
        if (e[0] == 0) break;
        if (!IsNamed(e) || IsDot(e)) continue;
        if (e[11] & kAttrDirectory) {
            const uint32_t sub = FirstCluster(e);
            if (!ValidCluster(sub) || sub == dirCluster) return FatError::Corrupt;
            err = RemoveTree(sub, depth + 1);
            if (err != FatError::None) return err;
        }
        FreeChain(FirstCluster(e));
        DropLongName(dirCluster, s);
        e[0] = kDeleted;
    }
    return FatError::None;
}

FatError FatVolume::Remove(const std::string& path) {
    Lookup f;
    FatError err = LookUp(path, f);
    if (err != FatError::None) return err;
    if (f.isRoot) return FatError::IsADirectory;
    if (!f.exists) return FatError::NotFound;
    const uint32_t dir = f.dir;
    const size_t slot = f.slot;
    uint8_t* e = At(slot);
    if (e[11] & kAttrDirectory) {
        const uint32_t sub = FirstCluster(e);
        if (!ValidCluster(sub)) return FatError::Corrupt;
        err = RemoveTree(sub, 0);
        if (err != FatError::None) return err;
    }
    FreeChain(FirstCluster(e));
    DropLongName(dir, slot);
    e[0] = kDeleted;
    return FatError::None;
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
    std::memcpy(At(slot), target.data(), 11);
    return FatError::None;
}

}  // namespace imagelib
