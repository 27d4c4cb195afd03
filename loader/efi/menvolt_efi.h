/* What the parts of the UEFI network boot program share: the network it
 * was loaded from and the loader file it shows. */
#pragma once
#include <efi.h>
#include <efilib.h>

#include "loader/efi/efi_layout.h"

typedef struct {
    EFI_HANDLE image;                /* ours */
    EFI_HANDLE device;               /* the network device we were loaded from */
    EFI_PXE_BASE_CODE_PROTOCOL *pxe;
    EFI_IP_ADDRESS server;           /* where the loader file and images come from */
    CHAR8 own_name[128];             /* our own boot file name, NUL-terminated */
} NetBoot;

typedef struct {
    const UINT8 *data;               /* the checked loader file */
    UINTN size;
    UINTN header;
    UINT8 normal;                    /* attributes: PC and UEFI text colours agree */
    UINT8 highlight;
    UINTN count;
} Loader;

/* Offset of a string named by the header: checked to lie inside the file. */
static inline UINTN LoaderString(const Loader *ldr, UINTN header_field) {
    return (UINTN)(ldr->data[ldr->header + header_field] | (ldr->data[ldr->header + header_field + 1] << 8));
}
static inline UINTN SlotString(const Loader *ldr, UINTN slot, UINTN field) {
    return LoaderString(ldr, HDR_SLOTS + slot * HDR_SLOT_SIZE + field);
}

/* net_boot.c */
EFI_STATUS FindNetBoot(EFI_HANDLE image, NetBoot *net);

/* tftp.c: a whole file received into reserved pages, with room behind
 * its bytes for the last block of a RAM disk (RECEIVED_SLACK): a disk
 * image becomes a RAM disk where it lies, so the PC needs its size in free
 * memory once, not twice. Owned by whoever holds it; FreeReceived frees
 * the pages (and does nothing for one already handed on, data NULL). */
#define RECEIVED_SLACK 2048
typedef struct {
    UINT8 *data;
    UINTN size;                      /* the file's; if !exact, the buffer's */
    UINTN pages;
    BOOLEAN exact;                   /* FALSE: the PXE base code did not say how much
                                      * came, the rest of the buffer holds RECEIVED_FILL */
} Received;
#define RECEIVED_FILL 0xFF
void FreeReceived(Received *file);
/* Length of `data` without the fill behind it: the file's end, or before
 * it if the file itself ends in fill bytes. */
UINTN WrittenLength(const UINT8 *data, UINTN size);

/* Read NAME whole. max: refuse larger files (0: as large as memory
 * allows); show_progress: write the share received behind the cursor on
 * row 0. */
EFI_STATUS TftpRead(NetBoot *net, const CHAR8 *name, UINTN max, BOOLEAN show_progress, Received *file,
                    const CHAR16 **why);

/* screen.c */
void ScreenInit(void);
void DrawText(UINTN row, UINTN column, const UINT8 *text, UINTN max_length, UINT8 attr);
void DrawBlanks(UINTN row, UINTN column, UINTN count, UINT8 attr);
void ClearScreen(UINT8 attr);
void Message(const CHAR16 *text);   /* at the cursor, grey on black, also on the serial console */
void WaitAnyKey(void);

/* menu.c: index of the item taken */
UINTN RunMenu(const Loader *ldr, UINTN selected, UINTN *timeout);

/* start_image.c: back here when the program returns or cannot start; the
 * file is freed. Returns the program's own exit status, or an error when
 * the image was refused (the user has been told why). */
EFI_STATUS StartImageFile(NetBoot *net, const CHAR8 *name, Received *file);
/* Starts what LoadImage gave (status, child), or says why not (from_disk:
 * it is a disk image's boot program); returns as StartImageFile does. */
EFI_STATUS StartLoadedImage(EFI_STATUS status, EFI_HANDLE child, BOOLEAN from_disk);
void Refuse(const CHAR16 *text);    /* message, new line, any key */

/* disk_image_kind.c: a received image the firmware can read as a disk.
 * FindDiskImage returns why a disk image cannot be used (with kind
 * DISK_NONE), or NULL: then kind DISK_NONE means not a disk image. */
typedef enum { DISK_NONE, DISK_FAT, DISK_ISO } DiskKind;
typedef struct {
    DiskKind kind;
    UINTN offset;                    /* where the volume starts in the file */
    UINTN size;                      /* the volume's bytes, all inside the file */
} DiskImage;
const CHAR16 *FindDiskImage(const Received *file, DiskImage *disk);
extern const CHAR16 kNoUefiProgram[];

/* ram_disk.c: registers the image as a RAM disk in the file's own pages,
 * starts its boot program, and removes the disk again; the file is freed. */
EFI_STATUS StartDiskImage(NetBoot *net, Received *file, const DiskImage *disk);
