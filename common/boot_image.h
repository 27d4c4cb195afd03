/* What a boot image file is and which PCs can start it: the one rule that
 * the editor's "boots on", menvolt-cli's show and verify, the image library
 * and both UEFI programs follow, so that no screen promises a PC what the
 * client then refuses. Plain C over a read callback: the editor reads the
 * file from the share as it goes, the UEFI programs read the bytes they
 * have received. Nothing here trusts a size or an offset it has not checked
 * against the image, and a read past the end simply fails.
 *
 * The decisions, in the order they are taken:
 *  - a PE file (MZ, and "PE\0\0" where its header says) is a program, for
 *    the machine type it names, and never a BIOS boot program;
 *  - an ISO 9660 volume (its primary descriptor at sector 16) is a CD; it
 *    boots on UEFI through an El Torito entry for EFI, never on BIOS (the
 *    BIOS client serves every image as diskette A:);
 *  - an extended image ("ExTx" header) is start-up code for BIOS with a FAT
 *    volume behind it;
 *  - a FAT12/16/32 volume is a diskette, for BIOS when it has a boot sector;
 *  - else a boot sector (55AAh at 510) is a bare boot sector or a hard
 *    disk's (with a partition table), and a file below the small-program
 *    limit is a boot program run at 0000:7C00.
 * A FAT volume (a diskette, an extended image's, a CD's EFI image) boots a
 * UEFI PC through the removable-media boot program the UEFI standard names
 * for its processor: \EFI\BOOT\BOOTX64.EFI or \EFI\BOOT\BOOTAA64.EFI. */
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Reads `size` bytes at `offset` into `out`; nonzero when all were read. */
typedef int (*BootImageReadFn)(void *context, uint64_t offset, void *out, size_t size);

typedef struct {
    BootImageReadFn read;
    void *context;
    uint64_t size; /* the whole file's */
    /* The BIOS client runs a shorter file as a boot program at 0000:7C00
     * and serves anything larger as a RAM disk: loader/layout.def's
     * SMALL_PROGRAM_MAX, which the caller passes in, as common/ includes
     * nothing of ours. */
    uint64_t small_program_max;
} BootImageSource;

/* The processors of UEFI PCs, as bits, and their PE machine types. */
enum { BOOT_CPU_X64 = 1, BOOT_CPU_AA64 = 2 };
#define BOOT_PE_MACHINE_X64 0x8664
#define BOOT_PE_MACHINE_AA64 0xAA64

typedef enum {
    BOOT_IMAGE_EMPTY,         /* no bytes at all */
    BOOT_IMAGE_PROGRAM,       /* a PE file */
    BOOT_IMAGE_CD,            /* an ISO 9660 volume */
    BOOT_IMAGE_EXTENDED,      /* start-up code with a FAT volume behind it */
    BOOT_IMAGE_FAT,           /* a FAT volume from the first byte: a diskette */
    BOOT_IMAGE_HARD_DISK,     /* a boot sector with a partition table */
    BOOT_IMAGE_BOOT_SECTOR,   /* another boot sector */
    BOOT_IMAGE_SMALL_PROGRAM, /* small enough to be run as a boot program */
    BOOT_IMAGE_OTHER          /* none of these */
} BootImageKind;

/* Why an image of a known kind cannot be used as a disk. */
typedef enum {
    BOOT_DAMAGE_NONE,
    BOOT_DAMAGE_FAT_BOOT_SECTOR, /* the parameter block does not describe a volume inside the bytes */
    BOOT_DAMAGE_FAT_TABLE,       /* the first FAT entry does not repeat the media byte */
    BOOT_DAMAGE_EXTENDED_HEADER, /* the header's sizes do not fit the file */
    BOOT_DAMAGE_CD_SHORT,        /* the file is shorter than its volume descriptor says */
} BootImageDamage;

/* A FAT volume's geometry, once its boot sector has been checked. */
typedef struct {
    uint64_t base, bytes; /* where the volume lies in the file, and its size */
    uint32_t sector_size, cluster_sectors, root_entries;
    uint32_t fat_start, root_start, data_start, clusters, root_cluster;
    int bits; /* 12, 16 or 32 */
} BootFat;

/* A file found on a FAT volume. */
typedef struct {
    uint32_t first_cluster, size;
} BootFatFile;

typedef struct {
    BootImageKind kind;
    BootImageDamage damage;
    int bios;               /* the BIOS client can start it */
    uint16_t pe_machine;    /* PROGRAM: the machine type its header names */
    /* FAT and EXTENDED: the volume; CD: the ISO 9660 volume's own length. */
    uint64_t volume_offset, volume_size;
    uint64_t efi_image;     /* CD: where the El Torito EFI entry's image starts, or 0 */
    int has_fat;            /* `fat` holds the volume the UEFI programs are looked for on */
    BootFat fat;
    unsigned uefi_programs; /* BOOT_CPU_* bits: the removable-media boot programs found on it */
    BootFatFile program[2]; /* [0] BOOTX64.EFI, [1] BOOTAA64.EFI */
} BootImage;

/* Tells what the image is; never fails (what cannot be followed does not
 * count). */
void ReadBootImage(const BootImageSource *source, BootImage *image);

/* The image's boot program for `cpu` (one BOOT_CPU_* bit) read into `out`,
 * at most `max` bytes; nonzero when it was there and read whole. */
int ReadBootProgram(const BootImageSource *source, const BootImage *image, unsigned cpu, uint8_t *out, size_t max);

/* What the firmware and shim look at in a PE file's headers. */
typedef struct {
    int pe;                     /* MZ, a PE header inside the file */
    int pe32_plus;              /* optional header PE32+ (64-bit) */
    uint16_t machine, subsystem;
    uint32_t sections;
    int section_table_in_file;  /* every entry of the section table lies inside the file */
    uint32_t entry_point, size_of_image; /* relative to where the image is loaded */
    size_t sbat_offset, sbat_size;       /* the .sbat section's bytes in the file, or 0 */
    size_t cert_offset, cert_size;       /* the certificate table (a file offset), or 0 */
    int signed_table;           /* it holds a PKCS #7 signature (WIN_CERT_TYPE_PKCS_SIGNED_DATA) */
} BootPeFacts;

void ReadBootPeFacts(const uint8_t *data, size_t size, BootPeFacts *facts);

/* Why a UEFI PC's firmware would not start the file as an EFI application
 * for `machine`, as far as its headers tell. */
typedef enum {
    BOOT_PE_OK,
    BOOT_PE_NOT_PE,
    BOOT_PE_OTHER_MACHINE,
    BOOT_PE_NOT_PE32_PLUS,
    BOOT_PE_CUT_SHORT,       /* the optional header is cut short */
    BOOT_PE_NO_SECTIONS,
    BOOT_PE_SECTIONS_BEYOND, /* the section table lies beyond the end of the file */
    BOOT_PE_ENTRY_OUTSIDE,   /* the entry point lies outside the image */
    BOOT_PE_NOT_APPLICATION, /* the subsystem is not an EFI application (10) */
} BootPeProblem;

BootPeProblem BootPeProblemFor(const BootPeFacts *facts, uint16_t machine);

/* The machine type of a BOOT_CPU_* bit, and the bit of a machine type (0:
 * none of ours). */
uint16_t BootCpuMachine(unsigned cpu);
unsigned BootMachineCpu(uint16_t machine);

#ifdef __cplusplus
}
#endif
