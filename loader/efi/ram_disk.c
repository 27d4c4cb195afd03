/* Starting a disk image on a UEFI PC: there is no INT 13h to serve it, so
 * the image becomes one of the firmware's own RAM disks. The firmware's
 * partition and FAT drivers then read it like any disk or CD, and the
 * removable-media boot program on it is started from a device path on that
 * disk, so it can read its own files (GRUB its grub.cfg) from there. */
#include "loader/efi/ram_disk.h"
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/processor.h"

#define DISK_BLOCK 512
#define CD_BLOCK 2048

_Static_assert(RECEIVED_SLACK >= CD_BLOCK, "the last block of a disk must fit behind a received file");

static EFI_GUID gRamDiskProtocol = RAM_DISK_PROTOCOL_GUID;
static EFI_GUID gVirtualDisk = VIRTUAL_DISK_GUID;
static EFI_GUID gVirtualCd = VIRTUAL_CD_GUID;

typedef struct {
    RAM_DISK_PROTOCOL *service;
    EFI_PHYSICAL_ADDRESS base;
    UINTN pages;
    EFI_DEVICE_PATH *path;           /* the firmware's, from Register */
} RamDisk;

/* The disk is made where the file was received, in reserved pages: while
 * the started program runs, and after it has started an operating system
 * from the disk, nothing may reuse them (the firmware also describes the
 * disk to the operating system there). The volume of an extended image is
 * first moved down over the start-up code, which no UEFI PC runs (the
 * firmware's CopyMem allows the overlap); the rest of the last block is
 * zeroed in the slack behind the file. The disk owns the pages after. */
static void Place(RamDisk *disk, Received *file, const DiskImage *image, UINTN *length) {
    UINTN block = image->kind == DISK_ISO ? CD_BLOCK : DISK_BLOCK;
    *length = (image->size + block - 1) / block * block;
    if (image->offset)
        uefi_call_wrapper(BS->CopyMem, 3, file->data, file->data + image->offset, image->size);
    ZeroMem(file->data + image->size, *length - image->size);
    disk->base = (EFI_PHYSICAL_ADDRESS)(UINTN)file->data;
    disk->pages = file->pages;
    file->data = NULL;
    /* A file whose size the server did not tell came into a larger buffer:
     * the pages past the disk go back to the firmware, for the program
     * started from it and the system that program starts. */
    UINTN used = EFI_SIZE_TO_PAGES(*length);
    if (used < disk->pages &&
        !EFI_ERROR(uefi_call_wrapper(BS->FreePages, 2, disk->base + ((UINT64)used << EFI_PAGE_SHIFT),
                                     disk->pages - used)))
        disk->pages = used;
}

/* Undoes Register and Place. A disk the firmware refuses to remove (a
 * program left a file open on it) keeps its memory: freeing pages a driver
 * still reads from would be worse than losing them until the next reset. */
static void Remove(RamDisk *disk) {
    if (disk->path) {
        EFI_STATUS status = uefi_call_wrapper(disk->service->Unregister, 1, disk->path);
        FreePool(disk->path);
        disk->path = NULL;
        if (EFI_ERROR(status)) return;
    }
    uefi_call_wrapper(BS->FreePages, 2, disk->base, disk->pages);
}

/* Is `path` the disk's own device path or one of its children's (for a
 * CD, the El Torito image the partition driver exposes)? */
static BOOLEAN OnDisk(EFI_DEVICE_PATH *path, EFI_DEVICE_PATH *disk) {
    UINTN prefix = DevicePathSize(disk) - END_DEVICE_PATH_LENGTH;
    return path && DevicePathSize(path) >= prefix + END_DEVICE_PATH_LENGTH && CompareMem(path, disk, prefix) == 0;
}

static BOOLEAN HasBootProgram(EFI_HANDLE handle, CHAR16 *name) {
    EFI_FILE_IO_INTERFACE *fs = NULL;
    EFI_FILE_HANDLE root = NULL, file = NULL;
    if (EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, handle, &FileSystemProtocol, (void **)&fs)) ||
        EFI_ERROR(uefi_call_wrapper(fs->OpenVolume, 2, fs, &root)))
        return FALSE;
    EFI_STATUS status = uefi_call_wrapper(root->Open, 5, root, &file, name, EFI_FILE_MODE_READ, 0);
    if (!EFI_ERROR(status)) uefi_call_wrapper(file->Close, 1, file);
    uefi_call_wrapper(root->Close, 1, root);
    return !EFI_ERROR(status);
}

/* The full device path of `name` on the first file system of the disk that
 * holds it, or NULL. */
static EFI_DEVICE_PATH *FindBootProgram(EFI_DEVICE_PATH *disk, CHAR16 *name) {
    EFI_DEVICE_PATH *remaining = disk;
    EFI_HANDLE device = NULL;
    if (!EFI_ERROR(uefi_call_wrapper(BS->LocateDevicePath, 3, &BlockIoProtocol, &remaining, &device)))
        uefi_call_wrapper(BS->ConnectController, 4, device, NULL, NULL, TRUE);
    UINTN count = 0;
    EFI_HANDLE *handles = NULL;
    if (EFI_ERROR(LibLocateHandle(ByProtocol, &FileSystemProtocol, NULL, &count, &handles))) return NULL;
    EFI_DEVICE_PATH *found = NULL;
    for (UINTN i = 0; i < count && !found; ++i)
        if (OnDisk(DevicePathFromHandle(handles[i]), disk) && HasBootProgram(handles[i], name))
            found = FileDevicePath(handles[i], name);
    FreePool(handles);
    return found;
}

EFI_STATUS StartDiskImage(NetBoot *net, Received *file, const DiskImage *image) {
    RamDisk disk;
    ZeroMem(&disk, sizeof disk);
    if (EFI_ERROR(uefi_call_wrapper(BS->LocateProtocol, 3, &gRamDiskProtocol, NULL, (void **)&disk.service))) {
        FreeReceived(file);
        Refuse(L"Error: the firmware of this PC has no RAM disk service for disk images.");
        return EFI_UNSUPPORTED;
    }
    UINTN length;
    Place(&disk, file, image, &length);
    EFI_STATUS status = uefi_call_wrapper(disk.service->Register, 5, disk.base, (UINT64)length,
                                          image->kind == DISK_ISO ? &gVirtualCd : &gVirtualDisk, NULL, &disk.path);
    if (EFI_ERROR(status)) {
        disk.path = NULL;
        Remove(&disk);
        CHAR16 text[96];
        SPrint(text, sizeof text, L"Error: the firmware could not make this image a RAM disk (%r).", status);
        Refuse(text);
        return status;
    }
    EFI_DEVICE_PATH *program = FindBootProgram(disk.path, BOOT_PROGRAM);
    if (!program) {
        /* One for the other processor says which PC the image is for. */
        EFI_DEVICE_PATH *other = FindBootProgram(disk.path, OTHER_BOOT_PROGRAM);
        if (other) FreePool(other);
        Remove(&disk);
        Refuse(other ? NEEDS_OTHER_PC : kNoUefiProgram);
        return EFI_NOT_FOUND;
    }
    EFI_HANDLE child = NULL;
    status = uefi_call_wrapper(BS->LoadImage, 6, FALSE, net->image, program, NULL, 0, &child);
    FreePool(program);
    status = StartLoadedImage(status, child, TRUE);
    Remove(&disk);
    return status;
}
