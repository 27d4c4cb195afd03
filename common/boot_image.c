/* What a boot image file is: see boot_image.h. Built into the editor's
 * libraries for the host and into both UEFI programs, so it includes only
 * the freestanding headers and keeps its buffers on the stack. */
#include "common/boot_image.h"

/* The extended image's header: the same list the image library and both
 * real-mode programs read. */
#define EXTX_FIELD(name, value) enum { name = (value) };
#define EXTX_OPTION(name, value)
#define EXTX_HANDOFF(name, value)
#include "common/extended_image.def"
#undef EXTX_FIELD
#undef EXTX_OPTION
#undef EXTX_HANDOFF

/* FAT boot sector (BIOS parameter block). */
#define BPB_BYTES_PER_SECTOR 11
#define BPB_SECTORS_PER_CLUSTER 13
#define BPB_RESERVED_SECTORS 14
#define BPB_FAT_COUNT 16
#define BPB_ROOT_ENTRIES 17
#define BPB_TOTAL_SECTORS_16 19
#define BPB_MEDIA 21
#define BPB_FAT_SECTORS_16 22
#define BPB_TOTAL_SECTORS_32 32
#define BPB_FAT_SECTORS_32 36
#define BPB_ROOT_CLUSTER_32 44
#define BPB_FS_TYPE_16 0x36
#define BPB_FS_TYPE_32 0x52
#define SECTOR_MIN 512
#define SECTOR_MAX 4096
#define DIR_ENTRY 32
#define DIR_ATTRIBUTES 11
#define DIR_CLUSTER_HIGH 20
#define DIR_CLUSTER_LOW 26
#define DIR_SIZE 28
#define ATTR_VOLUME 0x08
#define ATTR_FOLDER 0x10
#define ATTR_LONG_NAME 0x0F

/* ISO 9660 and El Torito, in 2048-byte sectors. */
#define CD_SECTOR 2048
#define CD_FIRST_DESCRIPTOR 16
#define CD_DESCRIPTORS_MAX 64 /* a descriptor set longer than this is not followed */
#define CD_VOLUME_BLOCKS_AT 80
#define CD_BLOCK_SIZE_AT 128
#define CD_TERMINATOR 255
#define ELTORITO_CATALOG_AT 0x47
#define CATALOG_ENTRY 32
#define CATALOG_BOOTABLE 0x88
#define CATALOG_MORE_SECTIONS 0x90
#define CATALOG_LAST_SECTION 0x91
#define CATALOG_EXTENSION 0x44
#define PLATFORM_EFI 0xEF
#define ENTRY_LOAD_RBA_AT 8

/* The boot record's system identifier, as the El Torito standard spells it. */
static const char kElToritoId[] = "EL TORITO SPECIFICATION";

/* PE/COFF (the Microsoft PE format). */
#define MZ_PE_POINTER_AT 0x3C
#define PE_HEADER_BYTES 26 /* the signature, the file header, the optional header's magic */
#define PE_OPTIONAL_AT 24
#define PE32_PLUS_MAGIC 0x20B
#define PE_SECTION_ENTRY 40
#define SUBSYSTEM_EFI_APPLICATION 10
#define WIN_CERT_PKCS_SIGNED_DATA 0x0002

/* The removable-media boot program's path, as 8.3 names, per processor. */
static const char *const kBootPath[2][3] = {
    {"EFI        ", "BOOT       ", "BOOTX64 EFI"},
    {"EFI        ", "BOOT       ", "BOOTAA64EFI"},
};

static uint16_t Get16(const uint8_t *p) { return (uint16_t)(p[0] | p[1] << 8); }
static uint32_t Get32(const uint8_t *p) { return (uint32_t)Get16(p) | (uint32_t)Get16(p + 2) << 16; }

static int Same(const void *a, const void *b, size_t n) {
    const uint8_t *x = a, *y = b;
    for (size_t i = 0; i < n; ++i)
        if (x[i] != y[i]) return 0;
    return 1;
}

static int PowerOfTwo(uint64_t v) { return v && !(v & (v - 1)); }

static int Read(const BootImageSource *s, uint64_t offset, void *out, size_t size) {
    return offset <= s->size && size <= s->size - offset && s->read(s->context, offset, out, size);
}

uint16_t BootCpuMachine(unsigned cpu) {
    return cpu == BOOT_CPU_AA64 ? BOOT_PE_MACHINE_AA64 : cpu == BOOT_CPU_X64 ? BOOT_PE_MACHINE_X64 : 0;
}

unsigned BootMachineCpu(uint16_t machine) {
    return machine == BOOT_PE_MACHINE_X64 ? BOOT_CPU_X64 : machine == BOOT_PE_MACHINE_AA64 ? BOOT_CPU_AA64 : 0;
}

static int CpuIndex(unsigned cpu) { return cpu == BOOT_CPU_AA64 ? 1 : 0; }

/* ---- FAT ---------------------------------------------------------------- */

/* A boot sector that means to be FAT: a jump over the parameter block and
 * either a sensible sector size or the file system's name. One that is not
 * even that (a bare BIOS program, a partitioned hard disk) is no FAT image
 * at all, rather than a damaged one. */
static int LooksLikeFat(const uint8_t *boot) {
    if (boot[0] != 0xEB && boot[0] != 0xE9) return 0;
    uint32_t bytes = Get16(boot + BPB_BYTES_PER_SECTOR);
    return (PowerOfTwo(bytes) && bytes >= SECTOR_MIN && bytes <= SECTOR_MAX) ||
           Same(boot + BPB_FS_TYPE_16, "FAT", 3) || Same(boot + BPB_FS_TYPE_32, "FAT", 3);
}

static int ValidCluster(const BootFat *fat, uint32_t c) { return c >= 2 && c - 2 < fat->clusters; }

static uint64_t ClusterOffset(const BootFat *fat, uint32_t cluster) {
    return fat->base + ((uint64_t)fat->data_start + (uint64_t)(cluster - 2) * fat->cluster_sectors) * fat->sector_size;
}

/* The parameter block must describe a volume inside the `bytes` at `base`,
 * and the first FAT entry must repeat the media byte with its other bits
 * set, as every formatter writes it: a cleared or overwritten FAT fails. */
static BootImageDamage MountFat(const BootImageSource *s, uint64_t base, uint64_t bytes, BootFat *fat) {
    uint8_t b[SECTOR_MIN];
    if (!Read(s, base, b, sizeof b) || bytes < sizeof b) return BOOT_DAMAGE_FAT_BOOT_SECTOR;
    uint32_t sector = Get16(b + BPB_BYTES_PER_SECTOR), per_cluster = b[BPB_SECTORS_PER_CLUSTER];
    uint32_t reserved = Get16(b + BPB_RESERVED_SECTORS), fats = b[BPB_FAT_COUNT];
    uint32_t root_entries = Get16(b + BPB_ROOT_ENTRIES), media = b[BPB_MEDIA];
    uint32_t total = Get16(b + BPB_TOTAL_SECTORS_16) ? Get16(b + BPB_TOTAL_SECTORS_16) : Get32(b + BPB_TOTAL_SECTORS_32);
    uint32_t fat_sectors = Get16(b + BPB_FAT_SECTORS_16) ? Get16(b + BPB_FAT_SECTORS_16) : Get32(b + BPB_FAT_SECTORS_32);
    if (!PowerOfTwo(sector) || sector < SECTOR_MIN || sector > SECTOR_MAX || !PowerOfTwo(per_cluster) ||
        reserved == 0 || fats == 0 || fat_sectors == 0 || total == 0 || (media != 0xF0 && media < 0xF8))
        return BOOT_DAMAGE_FAT_BOOT_SECTOR;
    /* In sectors first, so that no product overflows. */
    uint64_t root_sectors = ((uint64_t)root_entries * DIR_ENTRY + sector - 1) / sector;
    uint64_t data_start = reserved + (uint64_t)fats * fat_sectors + root_sectors;
    if (total > bytes / sector || data_start >= total) return BOOT_DAMAGE_FAT_BOOT_SECTOR;
    fat->base = base;
    fat->bytes = (uint64_t)total * sector;
    fat->sector_size = sector;
    fat->cluster_sectors = per_cluster;
    fat->root_entries = root_entries;
    fat->fat_start = reserved;
    fat->root_start = reserved + fats * fat_sectors;
    fat->data_start = (uint32_t)data_start;
    fat->clusters = (uint32_t)((total - data_start) / per_cluster);
    fat->bits = fat->clusters < 4085 ? 12 : fat->clusters < 65525 ? 16 : 32;
    fat->root_cluster = fat->bits == 32 ? Get32(b + BPB_ROOT_CLUSTER_32) : 0;
    if (fat->bits == 32 && !ValidCluster(fat, fat->root_cluster)) return BOOT_DAMAGE_FAT_BOOT_SECTOR;
    uint8_t first[3];
    if (!Read(s, base + (uint64_t)reserved * sector, first, sizeof first) || first[0] != media || first[1] != 0xFF ||
        first[2] != 0xFF)
        return BOOT_DAMAGE_FAT_TABLE;
    return BOOT_DAMAGE_NONE;
}

/* The next cluster of a chain; 0 at its end or on anything unsound. */
static uint32_t NextCluster(const BootImageSource *s, const BootFat *fat, uint32_t cluster) {
    uint64_t at = fat->bits == 12 ? cluster + cluster / 2 : (uint64_t)cluster * (uint32_t)(fat->bits / 8);
    uint8_t b[4];
    if (!Read(s, fat->base + (uint64_t)fat->fat_start * fat->sector_size + at, b, fat->bits == 32 ? 4 : 2)) return 0;
    uint32_t v = fat->bits == 32 ? Get32(b) & 0x0FFFFFFF : Get16(b);
    if (fat->bits == 12) v = cluster & 1 ? v >> 4 : v & 0x0FFF;
    return ValidCluster(fat, v) ? v : 0;
}

static int SameName(const uint8_t *entry, const char *name) {
    for (int i = 0; i < 11; ++i) {
        uint8_t c = entry[i] >= 'a' && entry[i] <= 'z' ? (uint8_t)(entry[i] - 32) : entry[i];
        if (c != (uint8_t)name[i]) return 0;
    }
    return 1;
}

/* Looks a short name up in a folder (cluster 0: the fixed root folder of
 * FAT12/16); 1 with its entry copied, 0 when absent, -1 when the folder
 * cannot be read. */
static int FindEntry(const BootImageSource *s, const BootFat *fat, uint32_t folder, const char *name, uint8_t *entry) {
    uint8_t block[SECTOR_MAX];
    uint64_t sectors = folder == 0 ? ((uint64_t)fat->root_entries * DIR_ENTRY + fat->sector_size - 1) / fat->sector_size
                                   : fat->cluster_sectors;
    /* A chain is never longer than the volume has clusters: that ends loops. */
    for (uint32_t step = 0; step <= fat->clusters; ++step) {
        uint64_t start = folder == 0 ? fat->base + (uint64_t)fat->root_start * fat->sector_size : ClusterOffset(fat, folder);
        for (uint64_t n = 0; n < sectors; ++n) {
            if (!Read(s, start + n * fat->sector_size, block, fat->sector_size)) return -1;
            for (uint32_t at = 0; at + DIR_ENTRY <= fat->sector_size; at += DIR_ENTRY) {
                const uint8_t *e = block + at;
                if (e[0] == 0) return 0; /* nothing is stored after the first unused entry */
                if (e[0] == 0xE5 || (e[DIR_ATTRIBUTES] & ATTR_LONG_NAME) == ATTR_LONG_NAME ||
                    (e[DIR_ATTRIBUTES] & ATTR_VOLUME))
                    continue;
                if (SameName(e, name)) {
                    for (int i = 0; i < DIR_ENTRY; ++i) entry[i] = e[i];
                    return 1;
                }
            }
        }
        if (folder == 0 || (folder = NextCluster(s, fat, folder)) == 0) return 0;
    }
    return 0;
}

static uint32_t FirstCluster(const BootFat *fat, const uint8_t *entry) {
    return (fat->bits == 32 ? (uint32_t)Get16(entry + DIR_CLUSTER_HIGH) << 16 : 0) | Get16(entry + DIR_CLUSTER_LOW);
}

/* A file (not a folder, not empty) at a path of short names. */
static int FindFile(const BootImageSource *s, const BootFat *fat, const char *const *names, int count, BootFatFile *file) {
    uint8_t entry[DIR_ENTRY];
    uint32_t folder = fat->root_cluster;
    for (int i = 0; i < count; ++i) {
        if (FindEntry(s, fat, folder, names[i], entry) != 1) return 0;
        int is_folder = (entry[DIR_ATTRIBUTES] & ATTR_FOLDER) != 0;
        if (i + 1 < count) {
            if (!is_folder) return 0;
            folder = FirstCluster(fat, entry);
            if (!ValidCluster(fat, folder)) return 0;
        } else if (is_folder || Get32(entry + DIR_SIZE) == 0) {
            return 0;
        }
    }
    file->first_cluster = FirstCluster(fat, entry);
    file->size = Get32(entry + DIR_SIZE);
    return ValidCluster(fat, file->first_cluster);
}

static void FindPrograms(const BootImageSource *s, BootImage *image) {
    for (unsigned cpu = BOOT_CPU_X64; cpu <= BOOT_CPU_AA64; cpu <<= 1)
        if (FindFile(s, &image->fat, kBootPath[CpuIndex(cpu)], 3, &image->program[CpuIndex(cpu)]))
            image->uefi_programs |= cpu;
}

int ReadBootProgram(const BootImageSource *s, const BootImage *image, unsigned cpu, uint8_t *out, size_t max) {
    if (!image->has_fat || !(image->uefi_programs & cpu)) return 0;
    const BootFat *fat = &image->fat;
    const BootFatFile *file = &image->program[CpuIndex(cpu)];
    if (file->size > max) return 0;
    uint64_t cluster_bytes = (uint64_t)fat->cluster_sectors * fat->sector_size;
    uint32_t cluster = file->first_cluster;
    size_t done = 0;
    for (uint32_t step = 0; done < file->size && step <= fat->clusters; ++step) {
        size_t part = file->size - done < cluster_bytes ? file->size - done : (size_t)cluster_bytes;
        if (!ValidCluster(fat, cluster) || !Read(s, ClusterOffset(fat, cluster), out + done, part)) return 0;
        done += part;
        if (done < file->size) cluster = NextCluster(s, fat, cluster);
    }
    return done == file->size;
}

/* ---- ISO 9660 and El Torito --------------------------------------------- */

/* Where the El Torito catalog's first bootable EFI entry's image lies
 * inside the disc, or 0. The firmware's CD driver reads the same catalog
 * (and rejects one whose validation entry does not sum to 0). */
static uint64_t FindEfiEntry(const BootImageSource *s) {
    uint8_t d[CD_SECTOR];
    uint32_t catalog = 0;
    for (uint64_t n = CD_FIRST_DESCRIPTOR; n < CD_FIRST_DESCRIPTOR + CD_DESCRIPTORS_MAX && !catalog; ++n) {
        if (!Read(s, n * CD_SECTOR, d, CD_SECTOR) || !Same(d + 1, "CD001", 5) || d[0] == CD_TERMINATOR) break;
        if (d[0] == 0 && Same(d + 7, kElToritoId, sizeof kElToritoId - 1)) catalog = Get32(d + ELTORITO_CATALOG_AT);
    }
    if (!catalog || !Read(s, (uint64_t)catalog * CD_SECTOR, d, CD_SECTOR)) return 0;
    uint16_t sum = 0;
    for (int i = 0; i < CATALOG_ENTRY; i += 2) sum = (uint16_t)(sum + Get16(d + i));
    if (d[0] != 1 || d[30] != 0x55 || d[31] != 0xAA || sum != 0) return 0;
    /* The validation entry names the platform of the default entry after
     * it; each section header names its own entries' platform and count. */
    uint8_t platform = d[1];
    uint32_t left = 1;
    int last = 0;
    for (uint32_t at = CATALOG_ENTRY; at + CATALOG_ENTRY <= CD_SECTOR; at += CATALOG_ENTRY) {
        const uint8_t *e = d + at;
        if (left == 0) {
            if (last || (e[0] != CATALOG_MORE_SECTIONS && e[0] != CATALOG_LAST_SECTION)) break;
            last = e[0] == CATALOG_LAST_SECTION;
            platform = e[1];
            left = Get16(e + 2);
            continue;
        }
        if (e[0] == CATALOG_EXTENSION) continue; /* belongs to the entry before it */
        --left;
        if (e[0] == CATALOG_BOOTABLE && platform == PLATFORM_EFI) {
            uint64_t rba = Get32(e + ENTRY_LOAD_RBA_AT);
            if (rba > 0 && rba < s->size / CD_SECTOR) return rba * CD_SECTOR;
        }
    }
    return 0;
}

static int IsIso(const BootImageSource *s, uint8_t *pvd) {
    return Read(s, (uint64_t)CD_FIRST_DESCRIPTOR * CD_SECTOR, pvd, CD_SECTOR) && pvd[0] == 1 && Same(pvd + 1, "CD001", 5);
}

/* ---- the whole image ---------------------------------------------------- */

static int IsPe(const BootImageSource *s, const uint8_t *head, size_t got, uint16_t *machine) {
    if (got < 0x40 || head[0] != 'M' || head[1] != 'Z') return 0;
    uint8_t pe[6];
    if (!Read(s, Get32(head + MZ_PE_POINTER_AT), pe, sizeof pe) || !Same(pe, "PE\0\0", 4)) return 0;
    *machine = Get16(pe + 4);
    return 1;
}

static int HasPartitionTable(const uint8_t *sector) {
    int used = 0;
    for (int i = 0; i < 4; ++i) {
        const uint8_t *p = sector + 446 + 16 * i;
        if (p[0] != 0 && p[0] != 0x80) return 0;
        used |= p[4] != 0;
    }
    return used;
}

void ReadBootImage(const BootImageSource *s, BootImage *image) {
    uint8_t head[SECTOR_MIN];
    uint8_t *zero = (uint8_t *)image;
    for (size_t i = 0; i < sizeof *image; ++i) zero[i] = 0;
    size_t got = s->size < sizeof head ? (size_t)s->size : sizeof head;
    if (got == 0 || !Read(s, 0, head, got)) {
        image->kind = s->size ? BOOT_IMAGE_OTHER : BOOT_IMAGE_EMPTY;
        return;
    }
    if (IsPe(s, head, got, &image->pe_machine)) {
        image->kind = BOOT_IMAGE_PROGRAM;
        return;
    }
    const int boot_sector = got == SECTOR_MIN && head[510] == 0x55 && head[511] == 0xAA;
    image->bios = boot_sector || s->size < s->small_program_max;

    uint8_t pvd[CD_SECTOR];
    if (IsIso(s, pvd)) {
        image->kind = BOOT_IMAGE_CD;
        image->bios = 0;
        uint64_t blocks = Get32(pvd + CD_VOLUME_BLOCKS_AT);
        if (Get16(pvd + CD_BLOCK_SIZE_AT) != CD_SECTOR || blocks > s->size / CD_SECTOR) {
            image->damage = BOOT_DAMAGE_CD_SHORT;
            return;
        }
        image->volume_size = blocks * CD_SECTOR;
        image->efi_image = FindEfiEntry(s);
        if (image->efi_image &&
            MountFat(s, image->efi_image, s->size - image->efi_image, &image->fat) == BOOT_DAMAGE_NONE) {
            image->has_fat = 1;
            FindPrograms(s, image);
        }
        return;
    }

    uint64_t base = 0, room = s->size;
    if (got >= EXTX_HEAD_SIZE && Same(head + EXTX_MARK, "ExTx", EXTX_MARK_SIZE)) {
        image->kind = BOOT_IMAGE_EXTENDED;
        image->bios = 1;
        uint64_t code = Get16(head + EXTX_CODE_SIZE), volume = (uint64_t)Get16(head + EXTX_DATA_KB) * 1024;
        if (code < EXTX_HEAD_SIZE || volume == 0 || code > s->size || volume > s->size - code) {
            image->damage = BOOT_DAMAGE_EXTENDED_HEADER;
            return;
        }
        base = code;
        room = volume;
    } else if (got == SECTOR_MIN && LooksLikeFat(head)) {
        image->kind = BOOT_IMAGE_FAT;
    } else {
        image->kind = boot_sector ? (HasPartitionTable(head) ? BOOT_IMAGE_HARD_DISK : BOOT_IMAGE_BOOT_SECTOR)
                      : s->size < s->small_program_max ? BOOT_IMAGE_SMALL_PROGRAM
                                                           : BOOT_IMAGE_OTHER;
        return;
    }
    image->damage = MountFat(s, base, room, &image->fat);
    if (image->damage != BOOT_DAMAGE_NONE) return;
    image->volume_offset = base;
    image->volume_size = image->fat.bytes;
    image->has_fat = 1;
    FindPrograms(s, image);
}

/* ---- PE programs -------------------------------------------------------- */

void ReadBootPeFacts(const uint8_t *data, size_t size, BootPeFacts *f) {
    uint8_t *zero = (uint8_t *)f;
    for (size_t i = 0; i < sizeof *f; ++i) zero[i] = 0;
    if (size < 0x40 || data[0] != 'M' || data[1] != 'Z') return;
    const size_t pe = Get32(data + MZ_PE_POINTER_AT);
    if (pe > size || size - pe < PE_HEADER_BYTES || !Same(data + pe, "PE\0\0", 4)) return;
    f->pe = 1;
    f->machine = Get16(data + pe + 4);
    f->sections = Get16(data + pe + 6);
    f->pe32_plus = Get16(data + pe + PE_OPTIONAL_AT) == PE32_PLUS_MAGIC;
    const size_t optional_size = Get16(data + pe + 20), optional = pe + PE_OPTIONAL_AT;
    /* PE32+: the entry point at 16, SizeOfImage at 56, the subsystem at 68,
     * the number of directories at 108, the security directory (the fifth)
     * at 112 + 4 * 8. */
    if (f->pe32_plus && optional_size >= 112 && optional_size <= size - optional) {
        f->entry_point = Get32(data + optional + 16);
        f->size_of_image = Get32(data + optional + 56);
        f->subsystem = Get16(data + optional + 68);
        if (optional_size >= 112 + 5 * 8 && Get32(data + optional + 108) >= 5) {
            const size_t at = Get32(data + optional + 144), length = Get32(data + optional + 148);
            if (length >= 8 && at <= size && length <= size - at) {
                f->cert_offset = at;
                f->cert_size = length;
                f->signed_table = Get16(data + at + 6) == WIN_CERT_PKCS_SIGNED_DATA;
            }
        }
    }
    if (optional_size > size - optional) return;
    const size_t table = optional + optional_size;
    f->section_table_in_file = f->sections <= (size - table) / PE_SECTION_ENTRY;
    for (uint32_t i = 0; i < f->sections && (size - table) / PE_SECTION_ENTRY > i; ++i) {
        const uint8_t *sec = data + table + (size_t)i * PE_SECTION_ENTRY;
        if (!Same(sec, ".sbat\0\0\0", 8)) continue;
        const size_t raw = Get32(sec + 20), virtual_size = Get32(sec + 8), raw_size = Get32(sec + 16);
        const size_t length = virtual_size && virtual_size < raw_size ? virtual_size : raw_size;
        if (raw <= size && length <= size - raw) {
            f->sbat_offset = raw;
            f->sbat_size = length;
        }
    }
}

BootPeProblem BootPeProblemFor(const BootPeFacts *f, uint16_t machine) {
    if (!f->pe) return BOOT_PE_NOT_PE;
    if (f->machine != machine) return BOOT_PE_OTHER_MACHINE;
    if (!f->pe32_plus) return BOOT_PE_NOT_PE32_PLUS;
    if (f->size_of_image == 0) return BOOT_PE_CUT_SHORT;
    if (f->sections == 0) return BOOT_PE_NO_SECTIONS;
    if (!f->section_table_in_file) return BOOT_PE_SECTIONS_BEYOND;
    if (f->entry_point == 0 || f->entry_point >= f->size_of_image) return BOOT_PE_ENTRY_OUTSIDE;
    if (f->subsystem != SUBSYSTEM_EFI_APPLICATION) return BOOT_PE_NOT_APPLICATION;
    return BOOT_PE_OK;
}
