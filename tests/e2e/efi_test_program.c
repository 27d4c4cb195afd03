/* A small EFI program for the end-to-end boots. Started over the network
 * it prints a marker and the device path it was given, then returns; a copy
 * started from a disk prints another marker and powers the machine off. */
#include <efi.h>
#include <efilib.h>

EFI_STATUS efi_main(EFI_HANDLE image, EFI_SYSTEM_TABLE *system) {
    InitializeLib(image, system);
    EFI_LOADED_IMAGE *loaded = NULL;
    uefi_call_wrapper(BS->HandleProtocol, 3, image, &LoadedImageProtocol, (void **)&loaded);
    /* iPXE also offers a file system on its network device: a disk is a
     * file system without a PXE base code. */
    void *fs = NULL, *pxe = NULL;
    if (!EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, loaded->DeviceHandle, &FileSystemProtocol, &fs)) &&
        EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, loaded->DeviceHandle, &PxeBaseCodeProtocol, &pxe))) {
        Print(L"menvolt disk test program: started\r\n");
        uefi_call_wrapper(RT->ResetSystem, 4, EfiResetShutdown, EFI_SUCCESS, 0, NULL);
    }
    CHAR16 *path = DevicePathToStr(loaded->FilePath);
    Print(L"menvolt test program: started from %s\r\n", path ? path : L"(none)");
    Print(L"menvolt test program: returning\r\n");
    return EFI_SUCCESS;
}
