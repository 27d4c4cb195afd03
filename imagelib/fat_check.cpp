// The volume's consistency check before a change: every cluster chain that
// a directory entry starts is followed, and the FAT must give each cluster
// to at most one chain (no cross-links), end every chain (no loops, no
// links into free or reserved clusters) and hold no allocated cluster that
// no entry reaches (no lost chains). Each entry must have a short name DOS
// accepts and a size its chain holds (no cluster short, none to spare),
// each subfolder begin with "." for itself and ".." for its parent, and the
// reserved area before the first FAT be of a size formatters use. A change
// made on such a volume would build on clusters whose owner is unclear, or
// on entries other systems read differently, and free or overwrite another
// file's data.
#include <cstring>

#include "imagelib/fat_structures.h"
#include "imagelib/fat_volume.h"

namespace imagelib {

namespace {
constexpr int kMaxDepth = 64;
// More reserved sectors than any formatter puts before a FAT12 or FAT16
// table (they use 1, some up to 32 for alignment).
constexpr uint32_t kMaxReservedSectors = 64;

// A short name as DOS stores it: no control bytes (a first 0x05 stands for
// 0xE5), none of the characters a name may not hold, no lower-case letters,
// and blanks only as padding at the end of the name and of the extension.
bool ValidShortName(const uint8_t* name) {
    static const char kForbidden[] = "\"*+,./:;<=>?[\\]|";
    for (size_t i = 0; i < 11; ++i) {
        const uint8_t c = name[i];
        if ((c < 0x20 && !(i == 0 && c == 0x05)) || c == 0x7F || (c >= 'a' && c <= 'z')) return false;
        if (c != 0 && std::strchr(kForbidden, c)) return false;
    }
    auto padded = [&](size_t from, size_t to) {
        size_t i = from;
        while (i < to && name[i] != ' ') ++i;
        while (i < to && name[i] == ' ') ++i;
        return i == to;
    };
    return name[0] != ' ' && padded(0, 8) && padded(8, 11);
}
}  // namespace

FatError FatVolume::CheckStructure() const {
    const uint32_t end = m_clusterCount + 2;
    const uint32_t bad = m_fat16 ? 0xFFF7u : 0xFF7u;
    if (m_reserved > kMaxReservedSectors) return FatError::Corrupt;
    std::vector<uint32_t> owner(end, 0);  // chain number that holds each cluster, 0 = none
    uint32_t chains = 0;

    // Follows one chain, claiming its clusters; `clusters` receives them.
    auto claim = [&](uint32_t first, std::vector<uint32_t>& clusters) {
        clusters.clear();
        const uint32_t id = ++chains;
        for (uint32_t c = first;;) {
            if (!ValidCluster(c) || owner[c] != 0) return false;  // out of range, looped or cross-linked
            owner[c] = id;
            clusters.push_back(c);
            const uint32_t next = FatGet(c);
            if (IsEnd(next)) return true;
            if (next < 2 || next == bad) return false;  // the chain runs into a free or bad cluster
            c = next;
        }
    };

    // Folders to visit: first cluster (0 is the root folder), depth, parent.
    struct Folder {
        uint32_t first;
        int depth;
        uint32_t parent;
    };
    std::vector<Folder> folders{{0, 0, 0}};
    std::vector<uint32_t> clusters;
    while (!folders.empty()) {
        const Folder folder = folders.back();
        folders.pop_back();
        std::vector<size_t> slots;
        if (folder.first == 0) {
            RootSlots(slots);
        } else {
            if (!claim(folder.first, clusters)) return FatError::Corrupt;
            ClusterSlots(clusters, slots);
            auto dot = [&](size_t i, const char* name, uint32_t cluster) {
                const uint8_t* e = At(slots[i]);
                return std::memcmp(e, name, 11) == 0 && fat::entry::IsDirectory(e) &&
                       fat::entry::FirstCluster(e) == cluster;
            };
            if (slots.size() < 2 || !dot(0, ".          ", folder.first) || !dot(1, "..         ", folder.parent))
                return FatError::Corrupt;
        }
        KeepNamed(slots);
        for (size_t slot : slots) {
            const uint8_t* e = At(slot);
            const uint32_t first = fat::entry::FirstCluster(e);
            if (!ValidShortName(e)) return FatError::Corrupt;
            if (fat::entry::IsDirectory(e)) {
                if (folder.depth + 1 > kMaxDepth || first == 0) return FatError::Corrupt;
                folders.push_back({first, folder.depth + 1, folder.first});
                continue;
            }
            const uint32_t size = fat::Get(e, fat::entry::kFileSize);
            if (first == 0) {
                if (size != 0) return FatError::Corrupt;
            } else if (!claim(first, clusters) || clusters.size() != (size + m_clusterBytes - 1) / m_clusterBytes) {
                return FatError::Corrupt;  // looped or cross-linked, or a size the chain does not hold
            }
        }
    }
    for (uint32_t c = 2; c < end; ++c) {
        const uint32_t value = FatGet(c);
        if (value != 0 && value != bad && owner[c] == 0) return FatError::Corrupt;  // a lost chain
    }
    return FatError::None;
}

}  // namespace imagelib
