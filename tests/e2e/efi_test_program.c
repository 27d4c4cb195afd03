/* A small EFI program for the end-to-end boots. Started over the network
 * it prints a marker and the device path it was given, then returns; so does
 * a copy on a RAM disk, with a marker of its own; a copy started from a
 * real disk prints another marker and powers the machine off. */
#include <efi.h>
#include <efilib.h>

/* shim starts nothing without one, also when menvolt.efi asks it to. */
__attribute__((section(".sbat"), used)) static const char sbat[] =
    "sbat,1,SBAT Version,sbat,1,https://github.com/rhboot/shim/blob/main/SBAT.md\n"
    "menvolt-test,1,Menvolt,menvolt-test,1,mailto:menvolt@example.org\n";

/* Does the path have a RAM disk node (as its last one: the disk itself)? */
static BOOLEAN HasRamDisk(EFI_DEVICE_PATH *node, BOOLEAN last) {
    for (; node && !IsDevicePathEnd(node); node = NextDevicePathNode(node))
        if (DevicePathType(node) == MEDIA_DEVICE_PATH && DevicePathSubType(node) == 9 /* RAM disk */)
            return !last || IsDevicePathEnd(NextDevicePathNode(node));
    return FALSE;
}

EFI_STATUS efi_main(EFI_HANDLE image, EFI_SYSTEM_TABLE *system) {
    InitializeLib(image, system);
    EFI_LOADED_IMAGE *loaded = NULL;
    uefi_call_wrapper(BS->HandleProtocol, 3, image, &LoadedImageProtocol, (void **)&loaded);
    /* iPXE also offers a file system on its network device: a disk is a
     * file system without a PXE base code. */
    void *fs = NULL, *pxe = NULL;
    EFI_DEVICE_PATH *device = DevicePathFromHandle(loaded->DeviceHandle);
    if (HasRamDisk(device, FALSE)) {
        /* How many RAM disks there are: the earlier items' must be gone. */
        UINTN count = 0, disks = 0;
        EFI_HANDLE *handles = NULL;
        LibLocateHandle(ByProtocol, &BlockIoProtocol, NULL, &count, &handles);
        for (UINTN i = 0; i < count; ++i) disks += HasRamDisk(DevicePathFromHandle(handles[i]), TRUE);
        CHAR16 *disk = DevicePathToStr(device);
        Print(L"menvolt test program: on a RAM disk (%d of them) %s\r\n", disks, disk ? disk : L"");
    } else if (!EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, loaded->DeviceHandle, &FileSystemProtocol, &fs)) &&
        EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, loaded->DeviceHandle, &PxeBaseCodeProtocol, &pxe))) {
        Print(L"menvolt disk test program: started\r\n");
        uefi_call_wrapper(RT->ResetSystem, 4, EfiResetShutdown, EFI_SUCCESS, 0, NULL);
    }
    CHAR16 *path = DevicePathToStr(loaded->FilePath);
    Print(L"menvolt test program: started from %s\r\n", path ? path : L"(none)");
    Print(L"menvolt test program: returning\r\n");
    return EFI_SUCCESS;
}
