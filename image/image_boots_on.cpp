#include "image/image_boots_on.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/efi_program.h"
#include "loader/layout.h"
#include "platform/file_system.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// The client runs a received file below this size as a boot program, and
// serves anything larger as a RAM disk (loader/client: the image start).
constexpr uint64_t kBootProgramLimit = layout::SMALL_PROGRAM_MAX;
// The firmware's default boot program on removable media, as the UEFI
// standard names it for x86-64 (its removable media boot behaviour).
const char* const kEfiBootPath[] = {"EFI        ", "BOOT       ", "BOOTX64 EFI"};

// The "ExTx" header of an extended image.
#define EXTX_FIELD(name, value) constexpr uint32_t name = (value);
#define EXTX_OPTION(name, value)
#define EXTX_HANDOFF(name, value)
#include "common/extended_image.def"
#undef EXTX_FIELD
#undef EXTX_OPTION
#undef EXTX_HANDOFF

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }

// Random reads of the image file; a read past its end gives nothing.
class ImageReader {
public:
    platform::FileError Open(const std::string& windowsPath) {
        platform::FileError e = m_file.Open(windowsPath, platform::ExclusiveFile::Mode::OpenForReading);
        if (e == platform::FileError::None) m_size = m_file.Size() < 0 ? 0 : static_cast<uint64_t>(m_file.Size());
        return e;
    }
    uint64_t Size() const { return m_size; }
    // True when all `size` bytes at `offset` were read.
    bool Read(uint64_t offset, size_t size, std::vector<uint8_t>& out) {
        out.assign(size, 0);
        size_t got = 0;
        return offset + size <= m_size && m_file.ReadAt(offset, out.data(), size, got) && got == size;
    }

private:
    platform::ExclusiveFile m_file;
    uint64_t m_size = 0;
};

bool IsPowerOfTwo(uint32_t v) { return v && !(v & (v - 1)); }

// A read-only walk of a FAT12, FAT16 or FAT32 volume lying at `base`, just
// far enough to find one file by its short names.
class FatWalk {
public:
    FatWalk(ImageReader& reader, uint64_t base, uint64_t bytes) : m_reader(reader), m_base(base), m_bytes(bytes) {}

    // False when the boot sector holds no parameter block that fits.
    bool Mount() {
        std::vector<uint8_t> b;
        if (!Read(0, 512, b)) return false;
        m_sectorSize = Get16(&b[11]);
        m_clusterSectors = b[13];
        const uint32_t reserved = Get16(&b[14]), fats = b[16];
        m_rootEntries = Get16(&b[17]);
        const uint32_t fatSectors = Get16(&b[22]) ? Get16(&b[22]) : Get32(&b[36]);
        const uint32_t total = Get16(&b[19]) ? Get16(&b[19]) : Get32(&b[32]);
        if (m_sectorSize < 512 || m_sectorSize > 4096 || !IsPowerOfTwo(m_sectorSize) ||
            !IsPowerOfTwo(m_clusterSectors) || reserved == 0 || fats == 0 || fats > 4 || fatSectors == 0)
            return false;
        if (static_cast<uint64_t>(total) * m_sectorSize > m_bytes) return false;
        const uint32_t rootSectors = (m_rootEntries * 32 + m_sectorSize - 1) / m_sectorSize;
        m_fatStart = reserved;
        m_rootStart = reserved + fats * fatSectors;
        m_dataStart = m_rootStart + rootSectors;
        if (m_dataStart >= total) return false;
        m_clusters = (total - m_dataStart) / m_clusterSectors;
        m_bits = m_clusters < 4085 ? 12 : m_clusters < 65525 ? 16 : 32;
        m_rootCluster = m_bits == 32 ? Get32(&b[44]) : 0;
        return m_bits != 32 || ValidCluster(m_rootCluster);
    }

    // True when the path (11-byte short names) leads to a file.
    bool HasFile(const char* const* names, size_t count) {
        uint8_t entry[32];
        return FindPath(names, count, entry);
    }

    // The file's bytes, when the path leads to one of at most `max` bytes
    // whose cluster chain holds them all.
    bool ReadFile(const char* const* names, size_t count, size_t max, std::vector<uint8_t>& out) {
        uint8_t entry[32];
        if (!FindPath(names, count, entry)) return false;
        const size_t size = Get32(&entry[28]);
        if (size > max) return false;
        out.clear();
        const uint32_t clusterBytes = m_clusterSectors * m_sectorSize;
        uint32_t cluster = FirstCluster(entry);
        std::vector<uint8_t> block;
        for (uint32_t step = 0; out.size() < size && step <= m_clusters; ++step) {
            if (!ValidCluster(cluster) ||
                !Read(SectorOffset(m_dataStart + uint64_t(cluster - 2) * m_clusterSectors), clusterBytes, block))
                return false;
            out.insert(out.end(), block.begin(), block.begin() + std::min<size_t>(clusterBytes, size - out.size()));
            if (out.size() < size) cluster = Next(cluster);
        }
        return out.size() == size;
    }

private:
    bool Read(uint64_t offset, size_t size, std::vector<uint8_t>& out) {
        return offset + size <= m_bytes && m_reader.Read(m_base + offset, size, out);
    }
    uint32_t FirstCluster(const uint8_t* entry) const {
        return (m_bits == 32 ? static_cast<uint32_t>(Get16(&entry[20])) << 16 : 0) | Get16(&entry[26]);
    }

    bool FindPath(const char* const* names, size_t count, uint8_t* entry) {
        uint32_t folder = m_rootCluster;  // 0: the fixed root folder of FAT12/16
        for (size_t i = 0; i < count; ++i) {
            if (!Find(folder, names[i], entry)) return false;
            const bool isFolder = entry[11] & 0x10;
            if (i + 1 < count) {
                if (!isFolder) return false;
                folder = FirstCluster(entry);
                if (!ValidCluster(folder)) return false;
            } else {
                return !isFolder && Get32(&entry[28]) > 0;
            }
        }
        return false;
    }
    bool ValidCluster(uint32_t c) const { return c >= 2 && c < m_clusters + 2; }
    uint64_t SectorOffset(uint64_t sector) const { return sector * m_sectorSize; }

    // The next cluster of a chain; 0 at its end or on anything unsound.
    uint32_t Next(uint32_t cluster) {
        const uint64_t at = m_bits == 12 ? cluster + cluster / 2 : static_cast<uint64_t>(cluster) * (m_bits / 8);
        std::vector<uint8_t> b;
        if (!Read(SectorOffset(m_fatStart) + at, m_bits == 32 ? 4 : 2, b)) return 0;
        uint32_t v = m_bits == 32 ? Get32(b.data()) & 0x0FFFFFFF : Get16(b.data());
        if (m_bits == 12) v = cluster & 1 ? v >> 4 : v & 0x0FFF;
        return ValidCluster(v) ? v : 0;
    }

    // Looks a short name up in a folder (0: the fixed root folder).
    bool Find(uint32_t folder, const char* name, uint8_t* entry) {
        std::vector<uint8_t> block;
        const uint32_t clusterBytes = m_clusterSectors * m_sectorSize;
        // A chain is never longer than the volume has clusters: that ends loops.
        for (uint32_t step = 0; step <= m_clusters; ++step) {
            const bool ok = folder == 0 ? Read(SectorOffset(m_rootStart), m_rootEntries * 32u, block)
                                        : Read(SectorOffset(m_dataStart + uint64_t(folder - 2) * m_clusterSectors),
                                               clusterBytes, block);
            if (!ok) return false;
            for (size_t at = 0; at + 32 <= block.size(); at += 32) {
                const uint8_t* e = &block[at];
                if (e[0] == 0) return false;  // nothing is stored after the first unused entry
                if (e[0] == 0xE5 || (e[11] & 0x0F) == 0x0F || (e[11] & 0x08)) continue;
                bool same = true;
                for (int i = 0; i < 11 && same; ++i)
                    same = (e[i] >= 'a' && e[i] <= 'z' ? e[i] - 32 : e[i]) == static_cast<uint8_t>(name[i]);
                if (same) {
                    std::memcpy(entry, e, 32);
                    return true;
                }
            }
            if (folder == 0 || (folder = Next(folder)) == 0) return false;
        }
        return false;
    }

    ImageReader& m_reader;
    uint64_t m_base, m_bytes;
    uint32_t m_sectorSize = 0, m_clusterSectors = 0, m_rootEntries = 0;
    uint32_t m_fatStart = 0, m_rootStart = 0, m_dataStart = 0, m_clusters = 0, m_rootCluster = 0;
    int m_bits = 0;
};

// A UEFI boot program is read whole to find its signature; larger ones are
// not looked into.
constexpr size_t kProgramMax = size_t{64} << 20;

// A whole program read: UEFI only when the firmware would start it (a stub
// of headers, a console program are not), and then signed or not.
void JudgeProgram(const std::vector<uint8_t>& program, ImageBoots& boots) {
    const common::PeFacts pe = common::ReadPeFacts(program.data(), program.size());
    boots.uefi = common::EfiApplicationProblem(pe).empty();
    if (boots.uefi) boots.uefiSigned = pe.signedTable ? ImageBoots::Signed::Yes : ImageBoots::Signed::No;
}

// The volume's UEFI boot program: there and startable or not, and signed or
// not. One too large to read is taken for what its name says.
void ReadVolumeProgram(FatWalk& fat, ImageBoots& boots) {
    boots.uefi = fat.HasFile(kEfiBootPath, 3);
    std::vector<uint8_t> program;
    if (boots.uefi && fat.ReadFile(kEfiBootPath, 3, kProgramMax, program)) JudgeProgram(program, boots);
}

// MZ with a PE signature where its header says: a PE file, never a BIOS
// boot program, whatever its size.
bool IsPeFile(ImageReader& reader, const std::vector<uint8_t>& head) {
    const uint32_t at = common::PeHeaderOffset(head.data(), head.size());
    std::vector<uint8_t> pe;
    return at && reader.Read(at, 4, pe) && std::memcmp(pe.data(), "PE\0\0", 4) == 0;
}

// ISO 9660 (ECMA-119) with the El Torito boot catalogue: UEFI when a bootable
// entry is for platform 0xEF (EFI). A CD never boots on BIOS here: the BIOS
// client serves every image as diskette A:, where neither a CD's BIOS entry
// (platform 0) nor a hybrid image's partition table boot code can start.
// False when the file is no ISO 9660 image.
bool ReadElTorito(ImageReader& reader, ImageBoots& boots, uint64_t& efiImage) {
    constexpr uint64_t kSector = 2048;
    std::vector<uint8_t> d;
    if (!reader.Read(16 * kSector, kSector, d) || std::memcmp(&d[1], "CD001", 5) != 0) return false;
    uint32_t catalog = 0;
    for (uint64_t s = 16; s < 16 + 64 && reader.Read(s * kSector, kSector, d) && d[0] != 255; ++s)
        if (d[0] == 0 && std::memcmp(&d[1], "CD001", 5) == 0 && std::memcmp(&d[7], "EL TORITO SPECIFICATION", 23) == 0)
            catalog = Get32(&d[0x47]);
    if (catalog == 0 || !reader.Read(catalog * kSector, kSector, d)) return true;
    // The validation entry: header 1, key bytes 55h AAh, words summing to 0.
    uint16_t sum = 0;
    for (int i = 0; i < 32; i += 2) sum = static_cast<uint16_t>(sum + Get16(&d[i]));
    if (d[0] != 1 || d[30] != 0x55 || d[31] != 0xAA || sum != 0) return true;
    auto take = [&](uint8_t platform, const uint8_t* entry) {
        if (entry[0] != 0x88) return;  // not bootable
        if (platform == 0xEF && !boots.uefi) {
            boots.uefi = true;
            efiImage = Get32(&entry[8]) * kSector;  // its load RBA: the FAT image the firmware boots
        }
    };
    take(d[1], &d[32]);  // the default entry, for the validation entry's platform
    for (size_t at = 64; at + 32 <= d.size();) {
        const uint8_t header = d[at];
        if (header != 0x90 && header != 0x91) break;
        const uint8_t platform = d[at + 1];
        size_t entries = Get16(&d[at + 2]);
        at += 32;
        while (entries && at + 32 <= d.size()) {
            if (d[at] != 0x44) {  // extension records belong to the entry before them
                take(platform, &d[at]);
                --entries;
            }
            at += 32;
        }
        if (header == 0x91) break;  // the last section
    }
    return true;
}

}  // namespace

ImageBoots ImageBootsOn(const std::string& windowsPath) {
    ImageBoots boots;
    ImageReader reader;
    switch (reader.Open(windowsPath)) {
        case platform::FileError::None: break;
        case platform::FileError::FileNotFound:
        case platform::FileError::BadPath: boots.read = ImageBoots::Read::Missing; return boots;
        default: boots.read = ImageBoots::Read::Unreadable; return boots;
    }
    const uint64_t size = reader.Size();
    std::vector<uint8_t> head;
    if (!reader.Read(0, static_cast<size_t>(std::min<uint64_t>(size, 512)), head)) {
        boots.read = ImageBoots::Read::Unreadable;
        return boots;
    }
    if (IsPeFile(reader, head)) {
        std::vector<uint8_t> program;
        if (size > kProgramMax) boots.uefi = true;  // too large to judge: taken for what it looks like
        else if (reader.Read(0, static_cast<size_t>(size), program)) JudgeProgram(program, boots);
        return boots;
    }
    if (head.size() >= EXTX_HEAD_SIZE && std::memcmp(&head[EXTX_MARK], "ExTx", EXTX_MARK_SIZE) == 0) {
        // Start-up code for the BIOS, and behind it the volume it serves.
        boots.bios = true;
        const uint64_t volume = Get16(&head[EXTX_CODE_SIZE]), bytes = uint64_t(Get16(&head[EXTX_DATA_KB])) * 1024;
        FatWalk fat(reader, volume, bytes);
        if (volume + bytes <= size && fat.Mount()) ReadVolumeProgram(fat, boots);
        return boots;
    }
    const bool bootSector = head.size() == 512 && head[510] == 0x55 && head[511] == 0xAA;
    // A volume first: a file on it may well hold an ISO image's marks.
    FatWalk fat(reader, 0, size);
    if (fat.Mount()) {
        boots.bios = bootSector;
        ReadVolumeProgram(fat, boots);
        return boots;
    }
    uint64_t efiImage = 0;
    if (ReadElTorito(reader, boots, efiImage)) {
        FatWalk image(reader, efiImage, efiImage < size ? size - efiImage : 0);
        if (boots.uefi && efiImage && image.Mount()) {
            ReadVolumeProgram(image, boots);
            boots.uefi = true;  // the entry says so, whatever its image holds
        }
        return boots;
    }
    boots.bios = bootSector || (size > 0 && size < kBootProgramLimit);
    return boots;
}

ImageBoots ItemBootsOn(const std::string& folder, const std::string& image) {
    if (image.empty()) return ImageBoots{ImageBoots::Read::Done, true, true};
    return ImageBootsOn(folder + image);
}

std::string BootsOnText(const ImageBoots& boots) {
    unsigned id = res::IDS_BOOTS_NEITHER;
    if (boots.read == ImageBoots::Read::Missing) id = res::IDS_BOOTS_MISSING;
    else if (boots.read == ImageBoots::Read::Unreadable) id = res::IDS_BOOTS_UNKNOWN;
    else if (boots.bios && boots.uefi) id = res::IDS_BOOTS_BIOS_AND_UEFI;
    else if (boots.bios) id = res::IDS_BOOTS_BIOS;
    else if (boots.uefi) id = res::IDS_BOOTS_UEFI;
    return res::LoadString(id);
}

std::string BootsOnDetail(const ImageBoots& boots) {
    std::string text = BootsOnText(boots);
    if (boots.read == ImageBoots::Read::Done && boots.uefi && boots.uefiSigned != ImageBoots::Signed::Unknown)
        text += res::LoadString(boots.uefiSigned == ImageBoots::Signed::Yes ? res::IDS_BOOTS_UEFI_SIGNED
                                                                           : res::IDS_BOOTS_UEFI_UNSIGNED);
    return text;
}
