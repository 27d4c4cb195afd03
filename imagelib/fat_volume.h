// A FAT12/FAT16 volume held in memory: formatting, listing, reading,
// writing, removing and renaming files and folders with short names.
// Paths inside a volume use '\' or '/' between components; "" or "\" is the
// root folder. The volume works on a byte range of a caller's buffer (an
// image file may carry a header before its volume) and never reads or writes
// outside it; whatever a damaged volume says, it answers Corrupt instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/fat_names.h"

namespace imagelib {

enum class FatError {
    None,
    NotFound,          // a component of the path does not exist
    Exists,            // the name is already in use in that folder
    InvalidName,       // not a valid short name
    NotADirectory,     // a file where a folder is expected
    IsADirectory,      // a folder where a file is expected
    DirectoryNotEmpty,
    DiskFull,
    RootFull,          // the root folder has no free entry left
    Corrupt,           // the volume's own structures are inconsistent
};
const char* FatErrorText(FatError error);

// What Format lays down. Sector size is always 512.
struct FatLayout {
    uint32_t totalSectors = 0;
    uint16_t sectorsPerTrack = 0;
    uint16_t heads = 0;
    uint16_t rootEntries = 0;
    uint8_t media = 0;
    uint8_t sectorsPerCluster = 0;
    uint8_t driveNumber = 0;  // BIOS drive the boot code is started from

    // The 1.44 MB diskette: 80 cylinders, 2 heads, 18 sectors per track.
    static FatLayout Floppy1440();
    // A RAM disk of `kilobytes` KB (a multiple of 1024) booted as drive A:,
    // with 64 heads of 32 sectors so that every megabyte is one cylinder.
    static FatLayout RamDisk(uint32_t kilobytes);
};

struct FatEntryInfo {
    std::string name;      // "NAME.EXT"
    bool isDirectory = false;
    uint32_t size = 0;
    uint16_t date = 0;     // DOS date and time of the last write
    uint16_t time = 0;
};

class FatVolume {
public:
    static constexpr size_t kSectorSize = 512;

    // Lays an empty volume over `size` bytes at `offset` of `image` (the
    // buffer grows when needed). `bootCode` is a 512-byte boot sector whose
    // parameter block (bytes 3 to 61) is filled in here; the label is an
    // 8.3-style text of up to 11 characters, empty for none.
    static bool Format(std::vector<uint8_t>& image, size_t offset, const FatLayout& layout,
                       const std::vector<uint8_t>& bootCode, const std::string& label,
                       uint32_t serial);

    // Reads the parameter block of the volume at `offset`; false when it is
    // not a FAT12/FAT16 volume this module can edit, or does not fit.
    bool Mount(std::vector<uint8_t>& image, size_t offset);

    bool IsFat16() const { return m_fat16; }
    uint64_t TotalBytes() const;  // bytes of the data area
    uint64_t FreeBytes() const;
    uint32_t ClusterBytes() const { return m_clusterBytes; }
    std::string Label() const;
    FatError SetLabel(const std::string& label);

    FatError List(const std::string& folder, std::vector<FatEntryInfo>& out) const;
    FatError Stat(const std::string& path, FatEntryInfo& out) const;
    FatError ReadFile(const std::string& path, std::vector<uint8_t>& out) const;
    // Creates the file, or replaces its contents when `replace` is set.
    // Checks the space first, so DiskFull leaves the volume unchanged.
    FatError WriteFile(const std::string& path, const uint8_t* data, size_t size, bool replace);
    FatError MakeDirectory(const std::string& path);
    // Removes a file, or a folder with everything in it.
    FatError Remove(const std::string& path);
    // Gives an entry a new name in the same folder.
    FatError Rename(const std::string& path, const std::string& newName);
    // Corrupt when the FAT holds a cross-link, a loop, a chain into a free
    // cluster or a lost chain (fat_check.cpp); None for a sound volume.
    FatError CheckStructure() const;

private:
    struct Located {
        size_t slot = 0;          // byte offset of the directory entry in the image
        uint32_t dirCluster = 0;  // folder that holds it (0 = root)
    };

    uint32_t FatGet(uint32_t cluster) const;
    void FatSet(uint32_t cluster, uint32_t value);
    bool ValidCluster(uint32_t cluster) const { return cluster >= 2 && cluster < m_clusterCount + 2; }
    bool IsEnd(uint32_t value) const { return value >= (m_fat16 ? 0xFFF8u : 0xFF8u); }
    size_t ClusterOffset(uint32_t cluster) const;
    FatError Chain(uint32_t first, std::vector<uint32_t>& out) const;
    uint32_t CountFree() const;
    FatError Allocate(uint32_t count, std::vector<uint32_t>& out);
    void FreeChain(uint32_t first);
    // Byte offsets of every entry of the root folder, of a folder whose
    // clusters are known, and of the folder that starts at `dirCluster`.
    void RootSlots(std::vector<size_t>& out) const;
    void ClusterSlots(const std::vector<uint32_t>& clusters, std::vector<size_t>& out) const;
    FatError DirSlots(uint32_t dirCluster, std::vector<size_t>& out) const;
    // Keeps the slots of files and folders ("." and ".." aside) up to the
    // folder's first never-used entry, after which nothing is stored.
    void KeepNamed(std::vector<size_t>& slots) const;
    FatError NamedSlots(uint32_t dirCluster, std::vector<size_t>& out) const;
    FatError FindIn(uint32_t dirCluster, const ShortName& name, size_t& slot) const;
    FatError Walk(const std::string& path, bool wantParent, uint32_t& dirCluster,
                  ShortName& leaf, bool& isRoot) const;
    // The last component of a path, looked up in its folder.
    struct Lookup {
        uint32_t dir = 0;      // the folder that holds (or would hold) it, 0 = root
        ShortName leaf{};
        bool isRoot = false;   // the path names the root folder, which has no entry
        bool exists = false;   // an entry of that name is in the folder
        size_t slot = 0;       // its entry, when it exists
    };
    // Walk's error when the folder cannot be reached, or a damaged folder's;
    // a missing last component is not an error (exists is false).
    FatError LookUp(const std::string& path, Lookup& found) const;
    // The first free entry of a folder; `found` is false when all are in use.
    FatError FirstFreeSlot(uint32_t dirCluster, size_t& slot, bool& found) const;
    // The clusters a new entry in the folder costs: 0 when it has a free
    // entry, 1 when a subfolder must grow; RootFull for a full root folder.
    FatError SlotCost(uint32_t dirCluster, uint32_t& clusters) const;
    // A free entry of the folder, which grows when it has none.
    FatError FreeSlot(uint32_t dirCluster, size_t& slot);
    // The root folder's label entry.
    bool FindLabel(size_t& slot) const;
    // Deletes the entry at `slot` of the folder, with its clusters and,
    // for a folder, everything in it.
    FatError RemoveEntry(uint32_t dirCluster, size_t slot, int depth);
    void DropLongName(uint32_t dirCluster, size_t slot);
    static FatEntryInfo Info(const uint8_t* entry);
    uint8_t* At(size_t offset) const { return m_image->data() + offset; }

    std::vector<uint8_t>* m_image = nullptr;
    size_t m_base = 0;
    uint32_t m_totalSectors = 0;
    uint32_t m_sectorsPerCluster = 0;
    uint32_t m_clusterBytes = 0;
    uint32_t m_reserved = 0;
    uint32_t m_fatCount = 0;
    uint32_t m_sectorsPerFat = 0;
    uint32_t m_rootEntries = 0;
    uint32_t m_firstRootSector = 0;
    uint32_t m_firstDataSector = 0;
    uint32_t m_clusterCount = 0;
    uint8_t m_media = 0;
    bool m_fat16 = false;
};

// The DOS date and time of now, local time.
void DosTimestamp(uint16_t& date, uint16_t& time);

}  // namespace imagelib
