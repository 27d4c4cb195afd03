/* Which received images the firmware can read as a disk: a FAT12/16/32
 * volume (a bare diskette, or the volume behind an extended image's
 * start-up code) or an ISO 9660 image with an El Torito entry for EFI.
 * Everything is checked against the bytes received before the firmware
 * sees any of it, so a damaged image is refused with a message instead of
 * being registered as a disk the firmware's drivers then trip over. */
#include "loader/efi/menvolt_efi.h"

/* Extended image header (the start-up code's size, the volume's size in
 * KB, and the mark that says the header is there): the one list that the
 * image library and both real-mode programs read too. */
#define EXTX_FIELD(name, value) enum { name = (value) };
#define EXTX_OPTION(name, value)
#define EXTX_HANDOFF(name, value)
#include "common/extended_image.def"

/* A boot record's system identifier. */
static const char ELTORITO_SYSTEM_ID[] = "EL TORITO SPECIFICATION"; /* as the El Torito standard spells it */
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
#define BPB_FS_TYPE_16 0x36
#define BPB_FS_TYPE_32 0x52
#define FAT_SECTOR_MIN 512

/* ISO 9660 and El Torito, in 2048-byte sectors. */
#define CD_SECTOR 2048
#define CD_FIRST_DESCRIPTOR 16
#define CD_LAST_DESCRIPTOR 32        /* a boot record comes right after the primary one */
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
#define ENTRY_SECTOR_COUNT_AT 6
#define ENTRY_LOAD_RBA_AT 8

static const CHAR16 kDamagedBootSector[] = L"Error: the boot sector of this image's FAT volume is damaged.";
static const CHAR16 kDamagedFat[] = L"Error: the file allocation table of this image's FAT volume is damaged.";
const CHAR16 kNoUefiProgram[] = L"This image has no UEFI boot program.";

static BOOLEAN PowerOfTwo(UINTN value) { return value && !(value & (value - 1)); }

/* A boot sector that means to be FAT: a jump over the parameter block and
 * either a sensible sector size or the file system's name. A sector that
 * is not even that (a bare BIOS program, a partitioned hard disk) is not a
 * FAT image at all, and gets the BIOS-only message rather than "damaged". */
static BOOLEAN LooksLikeFat(const UINT8 *boot, UINTN size) {
    if (size < FAT_SECTOR_MIN || (boot[0] != 0xEB && boot[0] != 0xE9)) return FALSE;
    UINTN bytes = ReadLe16(boot + BPB_BYTES_PER_SECTOR);
    return (PowerOfTwo(bytes) && bytes >= FAT_SECTOR_MIN && bytes <= 4096) ||
           CompareMem(boot + BPB_FS_TYPE_16, "FAT", 3) == 0 || CompareMem(boot + BPB_FS_TYPE_32, "FAT", 3) == 0;
}

/* The parameter block must describe a volume that lies inside the bytes
 * received, and the first FAT entry must repeat the media byte with its
 * other bits set, as every formatter writes it: a cleared or overwritten
 * FAT fails that. On success *length is the volume's own size. */
static const CHAR16 *CheckFat(const UINT8 *boot, UINTN size, UINTN *length) {
    UINTN bytes = ReadLe16(boot + BPB_BYTES_PER_SECTOR);
    UINTN per_cluster = boot[BPB_SECTORS_PER_CLUSTER];
    UINTN reserved = ReadLe16(boot + BPB_RESERVED_SECTORS);
    UINTN fats = boot[BPB_FAT_COUNT];
    UINTN root_entries = ReadLe16(boot + BPB_ROOT_ENTRIES);
    UINT8 media = boot[BPB_MEDIA];
    UINTN total = ReadLe16(boot + BPB_TOTAL_SECTORS_16);
    if (total == 0) total = ReadLe32(boot + BPB_TOTAL_SECTORS_32);
    UINTN fat_sectors = ReadLe16(boot + BPB_FAT_SECTORS_16);
    if (fat_sectors == 0) fat_sectors = ReadLe32(boot + BPB_FAT_SECTORS_32);
    if (!PowerOfTwo(bytes) || bytes < FAT_SECTOR_MIN || bytes > 4096 || !PowerOfTwo(per_cluster) ||
        reserved == 0 || fats == 0 || fat_sectors == 0 || total == 0 || (media != 0xF0 && media < 0xF8))
        return kDamagedBootSector;
    UINTN root_sectors = (root_entries * 32 + bytes - 1) / bytes;
    UINTN data_start = reserved + fats * fat_sectors + root_sectors;
    /* Sizes are compared in sectors first, so no product can overflow. */
    if (total > size / bytes || data_start >= total) return kDamagedBootSector;
    const UINT8 *fat = boot + reserved * bytes;
    if (fat[0] != media || fat[1] != 0xFF || fat[2] != 0xFF) return kDamagedFat;
    *length = total * bytes;
    return NULL;
}

/* Does the El Torito boot catalog hold a bootable entry for EFI whose
 * image lies inside the disc? The firmware's CD driver reads the same
 * catalog; checking first keeps a BIOS-only disc from being registered. */
static BOOLEAN HasEfiEntry(const UINT8 *cd, UINTN size) {
    const UINT8 *catalog = NULL;
    for (UINTN sector = CD_FIRST_DESCRIPTOR; sector <= CD_LAST_DESCRIPTOR; ++sector) {
        if ((sector + 1) * CD_SECTOR > size) return FALSE;
        const UINT8 *d = cd + sector * CD_SECTOR;
        if (CompareMem(d + 1, "CD001", 5) != 0 || d[0] == CD_TERMINATOR) break;
        if (d[0] == 0 && CompareMem(d + 7, ELTORITO_SYSTEM_ID, sizeof ELTORITO_SYSTEM_ID - 1) == 0) {
            UINTN at = ReadLe32(d + ELTORITO_CATALOG_AT);
            if (at >= size / CD_SECTOR) return FALSE;
            catalog = cd + at * CD_SECTOR;
            break;
        }
    }
    if (!catalog || catalog[0] != 1 || catalog[30] != 0x55 || catalog[31] != 0xAA) return FALSE;
    /* The validation entry names the platform of the default entry that
     * follows it; section headers name the platform of their entries. */
    UINT8 platform = catalog[1];
    for (UINTN at = CATALOG_ENTRY; at + CATALOG_ENTRY <= CD_SECTOR; at += CATALOG_ENTRY) {
        const UINT8 *e = catalog + at;
        if (e[0] == CATALOG_MORE_SECTIONS || e[0] == CATALOG_LAST_SECTION) {
            platform = e[1];
            continue;
        }
        if (e[0] == CATALOG_BOOTABLE && platform == PLATFORM_EFI) {
            UINTN rba = ReadLe32(e + ENTRY_LOAD_RBA_AT);
            if (rba > 0 && rba < size / CD_SECTOR) return TRUE;
        } else if (e[0] != 0 && e[0] != CATALOG_EXTENSION) {
            break; /* the end of the catalog */
        }
    }
    return FALSE;
}

static BOOLEAN IsIso(const UINT8 *data, UINTN size) {
    UINTN at = CD_FIRST_DESCRIPTOR * CD_SECTOR;
    return size >= at + CD_SECTOR && data[at] == 1 && CompareMem(data + at + 1, "CD001", 5) == 0;
}

const CHAR16 *FindDiskImage(const Received *file, DiskImage *disk) {
    const UINT8 *data = file->data;
    UINTN size = file->size;
    ZeroMem(disk, sizeof *disk);
    if (IsIso(data, size)) {
        const UINT8 *pvd = data + CD_FIRST_DESCRIPTOR * CD_SECTOR;
        UINTN block = ReadLe16(pvd + CD_BLOCK_SIZE_AT);
        UINTN blocks = ReadLe32(pvd + CD_VOLUME_BLOCKS_AT);
        if (block != CD_SECTOR || blocks > size / CD_SECTOR)
            return L"Error: this CD image is shorter than its volume descriptor says.";
        if (!HasEfiEntry(data, size)) return kNoUefiProgram;
        /* All that was received: a hybrid image may keep its EFI image in
         * a partition appended behind the ISO 9660 volume. Where the end of
         * the file was not told, it is where the fill starts (or the end of
         * the volume, for a disc whose last bytes look like fill), so the
         * pages behind go back to the firmware. */
        disk->kind = DISK_ISO;
        disk->size = size / CD_SECTOR * CD_SECTOR;
        if (!file->exact) {
            UINTN written = (WrittenLength(data, size) + CD_SECTOR - 1) / CD_SECTOR * CD_SECTOR;
            UINTN end = written > blocks * CD_SECTOR ? written : blocks * CD_SECTOR;
            if (end < disk->size) disk->size = end;
        }
        return NULL;
    }
    UINTN offset = 0, room = size;
    if (size >= EXTX_HEAD_SIZE && CompareMem(data + EXTX_MARK, "ExTx", EXTX_MARK_SIZE) == 0) {
        UINTN code = ReadLe16(data + EXTX_CODE_SIZE);
        UINTN volume = (UINTN)ReadLe16(data + EXTX_DATA_KB) * 1024;
        if (code < EXTX_HEAD_SIZE || volume == 0 || code > size || volume > size - code)
            return L"Error: this extended image's header gives sizes that do not fit the file.";
        offset = code;
        room = volume;
    } else if (!LooksLikeFat(data, size)) {
        return NULL; /* not a disk image: the caller says it needs a BIOS PC */
    }
    const CHAR16 *bad = CheckFat(data + offset, room, &disk->size);
    if (bad) return bad;
    disk->kind = DISK_FAT;
    disk->offset = offset;
    return NULL;
}
