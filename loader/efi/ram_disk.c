/* Starting a disk image on a UEFI PC: there is no INT 13h to serve it, so
 * the image becomes one of the firmware's own RAM disks. The firmware's
 * partition and FAT drivers then read it like any disk or CD, and the
 * removable-media boot program on it is found there: start_image.c starts
 * it from a device path on that disk, so it can read its own files (GRUB
 * its grub.cfg) from there. */
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/processor.h"
#include "loader/efi/uefi_ram_disk.h"

#define DISK_BLOCK 512
#define CD_BLOCK 2048

_Static_assert(RECEIVED_SLACK >= CD_BLOCK, "the last block of a disk must fit behind a received file");

static EFI_GUID gEfiRamDiskProtocolGuid = EFI_RAM_DISK_PROTOCOL_GUID;
static EFI_GUID gEfiVirtualDiskGuid = EFI_VIRTUAL_DISK_GUID;
static EFI_GUID gEfiVirtualCdGuid = EFI_VIRTUAL_CD_GUID;

/* Says why the firmware would not register the disk, with its status. */
static CHAR16 register_message[96];

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
void RemoveRamDisk(RamDisk *disk) {
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
static BOOLEAN OnDisk(EFI_DEVICE_PATH_PROTOCOL *path, EFI_DEVICE_PATH_PROTOCOL *disk) {
    UINTN prefix = DevicePathSize(disk) - END_DEVICE_PATH_LENGTH;
    return path && DevicePathSize(path) >= prefix + END_DEVICE_PATH_LENGTH && CompareMem(path, disk, prefix) == 0;
}

static BOOLEAN HasBootProgram(EFI_HANDLE handle, CHAR16 *name) {
    EFI_SIMPLE_FILE_SYSTEM_PROTOCOL *fs = NULL;
    EFI_FILE_PROTOCOL *root = NULL, *file = NULL;
    if (EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, handle, &gEfiSimpleFileSystemProtocolGuid, (void **)&fs)) ||
        EFI_ERROR(uefi_call_wrapper(fs->OpenVolume, 2, fs, &root)))
        return FALSE;
    EFI_STATUS status = uefi_call_wrapper(root->Open, 5, root, &file, name, EFI_FILE_MODE_READ, 0);
    if (!EFI_ERROR(status)) uefi_call_wrapper(file->Close, 1, file);
    uefi_call_wrapper(root->Close, 1, root);
    return !EFI_ERROR(status);
}

/* The full device path of `name` on the first file system of the disk that
 * holds it, or NULL. */
static EFI_DEVICE_PATH_PROTOCOL *FindBootProgram(EFI_DEVICE_PATH_PROTOCOL *disk, CHAR16 *name) {
    EFI_DEVICE_PATH_PROTOCOL *remaining = disk;
    EFI_HANDLE device = NULL;
    if (!EFI_ERROR(uefi_call_wrapper(BS->LocateDevicePath, 3, &gEfiBlockIoProtocolGuid, &remaining, &device)))
        uefi_call_wrapper(BS->ConnectController, 4, device, NULL, NULL, TRUE);
    UINTN count = 0;
    EFI_HANDLE *handles = NULL;
    if (EFI_ERROR(LibLocateHandle(ByProtocol, &gEfiSimpleFileSystemProtocolGuid, NULL, &count, &handles))) return NULL;
    EFI_DEVICE_PATH_PROTOCOL *found = NULL;
    for (UINTN i = 0; i < count && !found; ++i)
        if (OnDisk(DevicePathFromHandle(handles[i]), disk) && HasBootProgram(handles[i], name))
            found = FileDevicePath(handles[i], name);
    FreePool(handles);
    return found;
}

EFI_STATUS MakeRamDisk(Received *file, const DiskImage *image, RamDisk *disk, EFI_DEVICE_PATH_PROTOCOL **program,
                       const CHAR16 **why) {
    ZeroMem(disk, sizeof *disk);
    *program = NULL;
    if (EFI_ERROR(uefi_call_wrapper(BS->LocateProtocol, 3, &gEfiRamDiskProtocolGuid, NULL, (void **)&disk->service))) {
        FreeReceived(file);
        *why = L"Error: the firmware of this PC has no RAM disk service for disk images.";
        return EFI_UNSUPPORTED;
    }
    UINTN length;
    Place(disk, file, image, &length);
    EFI_STATUS status =
        uefi_call_wrapper(disk->service->Register, 5, disk->base, (UINT64)length,
                          image->kind == DISK_ISO ? &gEfiVirtualCdGuid : &gEfiVirtualDiskGuid, NULL, &disk->path);
    if (EFI_ERROR(status)) {
        disk->path = NULL;
        RemoveRamDisk(disk);
        SPrint(register_message, sizeof register_message,
               L"Error: the firmware could not make this image a RAM disk (%r).", status);
        *why = register_message;
        return status;
    }
    *program = FindBootProgram(disk->path, EFI_REMOVABLE_MEDIA_FILE_NAME);
    if (!*program) {
        /* One for the other processor says which PC the image is for. */
        EFI_DEVICE_PATH_PROTOCOL *other = FindBootProgram(disk->path, OTHER_REMOVABLE_MEDIA_FILE_NAME);
        if (other) FreePool(other);
        RemoveRamDisk(disk);
        *why = other ? NEEDS_OTHER_PC : kNoUefiProgram;
        return EFI_NOT_FOUND;
    }
    return EFI_SUCCESS;
}
