/* A file received whole, and what it is for this PC: the parts of the
 * UEFI program that need nothing of the firmware but its types, so that
 * the host's tests build them too. */
#pragma once
#include <efi.h>

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

/* Length of `data` without the fill behind it: the file's end, or before
 * it if the file itself ends in fill bytes. */
static inline UINTN WrittenLength(const UINT8 *data, UINTN size) {
    while (size > 0 && data[size - 1] == RECEIVED_FILL) --size;
    return size;
}

/* disk_image_kind.c: what a received image is for this PC.
 * JudgeReceivedImage returns why it cannot be started (with kind
 * DISK_NONE), or NULL: then kind DISK_NONE means an EFI program for this
 * processor, another kind a disk whose boot program is for it. */
typedef enum { DISK_NONE, DISK_FAT, DISK_ISO } DiskKind;
typedef struct {
    DiskKind kind;
    UINTN offset;                    /* where the volume starts in the file */
    UINTN size;                      /* the volume's bytes, all inside the file */
} DiskImage;
const CHAR16 *JudgeReceivedImage(const Received *file, DiskImage *disk);
extern const CHAR16 kNoUefiProgram[];
