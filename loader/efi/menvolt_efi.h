/* What the parts of the UEFI network boot program share: the network it
 * was loaded from and the loader file it shows. */
#pragma once
#include <efi.h>
#include <efilib.h>

#include "loader/efi/efi_layout.h"
#include "loader/efi/received_image.h"

/* Characters of a base web address: "http://" and a host name of 63, a
 * port and a folder. A file's address is the base and the name, each of
 * its characters at most three ("%5C"). */
#define WEB_BASE_MAX 200
#define WEB_ADDRESS_MAX (WEB_BASE_MAX + 3 * LDR_TFTP_NAME_MAX)

typedef struct {
    EFI_HANDLE image;                /* ours */
    EFI_HANDLE device;               /* the network device we were loaded from */
    EFI_PXE_BASE_CODE_PROTOCOL *pxe; /* NULL when the firmware's HTTP Boot started us */
    EFI_IP_ADDRESS server;           /* the TFTP server, where the loader file and images come from */
    CHAR8 own_name[128];             /* our own boot file name, NUL-terminated */
    /* "http://server[:port]/[folder/]": files come from there by HTTP, each
     * name mapped onto it as web_address.c says; empty: by TFTP. */
    CHAR16 web_base[WEB_BASE_MAX + 1];
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

/* net_boot.c: how we were started, by PXE or by HTTP Boot (then
 * own_name is the path of our web address and web_base its server). */
EFI_STATUS FindNetBoot(EFI_HANDLE image, NetBoot *net);

/* received.c. AllocateReceived: pages for `bytes` and RECEIVED_SLACK, or
 * NULL. LastTryCapacity: room for one more try after `too_small` was, or
 * 0 if no more than that is free. */
UINT8 *AllocateReceived(UINT64 bytes, EFI_MEMORY_TYPE type, UINTN *pages);
UINT64 LastTryCapacity(UINT64 too_small);
void FreeReceived(Received *file);

/* Whole-file reads. NAME is a server path as the BIOS client asks TFTP
 * for it; max: refuse larger files, and the file is a loader file (0: an
 * image, as large as memory allows); show_progress: the share received
 * behind the cursor on row 0. On failure *why is the message to show;
 * EFI_NOT_FOUND means the server does not have the file. */
#define FILE_IS_LOADER(max) ((max) != 0)
/* tftp_windows.c: `expected` bytes of an image into `buffer` (`room`
 * bytes) in RFC 7440 windows through MTFTP4; EFI_UNSUPPORTED without it. */
EFI_STATUS WindowedRead(NetBoot *net, const CHAR8 *name, UINT8 *buffer, UINT64 expected, UINT64 room,
                        BOOLEAN show_progress, UINTN *shown);
EFI_STATUS TftpRead(NetBoot *net, const CHAR8 *name, UINTN max, BOOLEAN show_progress, Received *file,
                    const CHAR16 **why);
/* http.c: EFI_NO_RESPONSE when no connection to the web server could be
 * made (nothing was asked). */
EFI_STATUS HttpRead(NetBoot *net, const CHAR8 *name, UINTN max, BOOLEAN show_progress, Received *file,
                    const CHAR16 **why);
/* transfer.c: by HTTP when the site set a web address, else by TFTP; a web
 * server that cannot be reached after PXE gives way to TFTP for good. */
EFI_STATUS ReadFile(NetBoot *net, const CHAR8 *name, UINTN max, BOOLEAN show_progress, Received *file,
                    const CHAR16 **why);
/* The NAME.url beside our own boot file (else menvolt.url): a site that
 * starts us by PXE names there the web server to read from. */
void ReadWebSetting(NetBoot *net);

/* web_address.c: base + NAME as a web address (backslashes are folder
 * separators, every byte outside RFC 3986's unreserved set is escaped);
 * FALSE when it does not fit in `size` characters with its NUL. */
BOOLEAN WebAddress(const CHAR16 *base, const CHAR8 *name, CHAR16 *out, UINTN size);

/* screen.c */
void ScreenInit(void);
void ShowProgress(UINT64 received, UINT64 expected, UINTN *shown);
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


/* ram_disk.c: registers the image as a RAM disk in the file's own pages,
 * starts its boot program, and removes the disk again; the file is freed. */
EFI_STATUS StartDiskImage(NetBoot *net, Received *file, const DiskImage *disk);
