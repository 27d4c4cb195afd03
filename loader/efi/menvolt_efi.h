/* What the parts of the UEFI network boot program share: the network it
 * was loaded from and the loader file it shows. */
#pragma once
#include <efi.h>
#include <efilib.h>

#include "loader/efi/efi_layout.h"
#include "loader/efi/little_endian.h"
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
    return ReadLe16(ldr->data + ldr->header + header_field);
}
static inline UINTN SlotString(const Loader *ldr, UINTN slot, UINTN field) {
    return LoaderString(ldr, HDR_SLOTS + slot * HDR_SLOT_SIZE + field);
}

/* net_boot.c: how we were started, by PXE or by HTTP Boot (then
 * own_name is the path of our web address and web_base its server). On
 * failure *why is the message to show. */
EFI_STATUS FindNetBoot(EFI_HANDLE image, NetBoot *net, const CHAR16 **why);

/* received.c. AllocateReceived: pages for `bytes` and RECEIVED_SLACK, or
 * NULL. LastTryCapacity: room for one more try after `too_small` was, or
 * 0 if no more than that is free. */
UINT8 *AllocateReceived(UINT64 bytes, EFI_MEMORY_TYPE type, UINTN *pages);
UINT64 LastTryCapacity(UINT64 too_small);
void FreeReceived(Received *file);

/* What a whole-file read is for. An image: as large as memory allows,
 * into reserved pages (a RAM disk may be made in them), with the share
 * received behind the cursor on row 0, by TFTP in windows where the
 * firmware can. A small file of the site's (the loader file, the web
 * setting): at most `limit` bytes, into loader data, without progress. */
typedef struct {
    BOOLEAN image;
    UINTN limit;                     /* a small file's largest size */
    const CHAR16 *too_large;         /* what is said of a larger one */
} FileRead;

/* Whole-file reads. NAME is a server path as the BIOS client asks TFTP
 * for it. On failure *why is the message to show; EFI_NOT_FOUND means the
 * server does not have the file. */
/* tftp_windows.c: `expected` bytes of an image into `buffer` (`room`
 * bytes) in RFC 7440 windows through MTFTP4; EFI_UNSUPPORTED without it. */
EFI_STATUS WindowedRead(NetBoot *net, const CHAR8 *name, UINT8 *buffer, UINT64 expected, UINT64 room,
                        BOOLEAN show_progress, UINTN *shown);
EFI_STATUS TftpRead(NetBoot *net, const CHAR8 *name, const FileRead *what, Received *file, const CHAR16 **why);
/* http.c: EFI_NO_RESPONSE when no connection to the web server could be
 * made (nothing was asked). */
EFI_STATUS HttpRead(NetBoot *net, const CHAR8 *name, const FileRead *what, Received *file, const CHAR16 **why);
/* transfer.c: by HTTP when the site set a web address, else by TFTP; a web
 * server that cannot be reached after PXE gives way to TFTP for good.
 * ReadLoaderFile reads the one file whose size layout.def bounds, not yet
 * checked; ReadImageFile what a menu item names. */
EFI_STATUS ReadLoaderFile(NetBoot *net, const CHAR8 *name, Received *file, const CHAR16 **why);
EFI_STATUS ReadImageFile(NetBoot *net, const CHAR8 *name, Received *file, const CHAR16 **why);
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
void MessageFormat(const CHAR16 *format, ...); /* Message of SPrint's format */
void MessageHome(const CHAR16 *text);          /* Message from the top left cell */
/* The one way a message that must be read is shown: the text, a new line,
 * then any key. Returns `status`, so that a caller ends with it. */
EFI_STATUS Report(EFI_STATUS status, const CHAR16 *text);

/* menu.c: index of the item taken */
UINTN RunMenu(const Loader *ldr, UINTN selected, UINTN *timeout);

/* start_image.c: back here when the program returns or cannot start; the
 * file is freed. Returns the program's own exit status, or an error when
 * the image was refused (the user has been told why). */
EFI_STATUS StartImageFile(NetBoot *net, const CHAR8 *name, Received *file);


/* ram_disk.c: a disk image as one of the firmware's RAM disks, made in
 * the file's own pages. MakeRamDisk registers it (the file gives its pages
 * to the disk) and finds the removable-media boot program for our
 * processor on it: *program is the device path to load that from, the
 * caller's to free. On failure nothing is left registered, the file is
 * freed and *why says why. RemoveRamDisk takes the disk away again. */
typedef struct _EFI_RAM_DISK_PROTOCOL EFI_RAM_DISK_PROTOCOL;
typedef struct {
    EFI_RAM_DISK_PROTOCOL *service;
    EFI_PHYSICAL_ADDRESS base;
    UINTN pages;
    EFI_DEVICE_PATH_PROTOCOL *path;  /* the firmware's, from Register */
} RamDisk;
EFI_STATUS MakeRamDisk(Received *file, const DiskImage *image, RamDisk *disk, EFI_DEVICE_PATH_PROTOCOL **program,
                       const CHAR16 **why);
void RemoveRamDisk(RamDisk *disk);
