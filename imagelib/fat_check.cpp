// The volume's consistency check before a change: every cluster chain that
// a directory entry starts is followed, and the FAT must give each cluster
// to at most one chain (no cross-links), end every chain (no loops, no
// links into free or reserved clusters) and hold no allocated cluster that
// no entry reaches (no lost chains). A change made on such a volume would
// build on clusters whose owner is unclear, and free or overwrite another
// file's data.
#include <cstring>

#include "fat_structures.h"
#include "fat_volume.h"

namespace imagelib {

namespace {
constexpr int kMaxDepth = 64;
}  // namespace

FatError FatVolume::CheckStructure() const {
    const uint32_t end = m_clusterCount + 2;
    const uint32_t bad = m_fat16 ? 0xFFF7u : 0xFF7u;
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

    // Folders to visit: (first cluster, depth); 0 is the root folder.
    std::vector<std::pair<uint32_t, int>> folders{{0, 0}};
    std::vector<uint32_t> clusters;
    while (!folders.empty()) {
        const auto [dir, depth] = folders.back();
        folders.pop_back();
        std::vector<size_t> slots;
        if (dir == 0) {
            RootSlots(slots);
        } else {
            if (!claim(dir, clusters)) return FatError::Corrupt;
            ClusterSlots(clusters, slots);
        }
        KeepNamed(slots);
        for (size_t slot : slots) {
            const uint8_t* e = At(slot);
            const uint32_t first = fat::entry::FirstCluster(e);
            if (fat::entry::IsDirectory(e)) {
                if (depth + 1 > kMaxDepth || first == 0) return FatError::Corrupt;
                folders.push_back({first, depth + 1});
            } else if (first != 0 && !claim(first, clusters)) {
                return FatError::Corrupt;
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
