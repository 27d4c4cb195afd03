/* Starting a received image: an EFI application for our processor is
 * loaded from memory and started, a disk image's boot program from the RAM
 * disk that ram_disk.c makes of it; anything else is refused with a message
 * (disk_image_kind.c says which). The only code that loads and starts
 * programs. */
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/processor.h"

#define BOOT_WATCHDOG_SECONDS 300 /* what the boot manager gives every boot option */

/* Read by HTTP: the card (our device's path up to its first network
 * address node), then the file's web address as a URI node, the path the
 * firmware's own HTTP Boot gives what it starts. */
static EFI_DEVICE_PATH_PROTOCOL *WebImagePath(NetBoot *net, const CHAR8 *name) {
    CHAR16 address[WEB_ADDRESS_MAX + 1];
    if (!WebAddress(net->web_base, name, address, sizeof address / sizeof address[0])) return NULL;
    UINTN length = StrLen(address);
    URI_DEVICE_PATH *uri = AllocateZeroPool(sizeof uri->Header + length);
    EFI_DEVICE_PATH_PROTOCOL *card = DuplicateDevicePath(DevicePathFromHandle(net->device));
    EFI_DEVICE_PATH_PROTOCOL *whole = NULL;
    if (uri && card) {
        uri->Header.Type = MESSAGING_DEVICE_PATH;
        uri->Header.SubType = MSG_URI_DP;
        SetDevicePathNodeLength(&uri->Header, sizeof uri->Header + length);
        for (UINTN i = 0; i < length; ++i) uri->Uri[i] = (CHAR8)address[i];
        for (EFI_DEVICE_PATH_PROTOCOL *node = card; !IsDevicePathEnd(node); node = NextDevicePathNode(node))
            if (DevicePathType(node) == MESSAGING_DEVICE_PATH &&
                (DevicePathSubType(node) == MSG_IPv4_DP || DevicePathSubType(node) == MSG_IPv6_DP ||
                 DevicePathSubType(node) == MSG_URI_DP)) {
                SetDevicePathEndNode(node);
                break;
            }
        whole = AppendDevicePathNode(card, &uri->Header);
    }
    if (uri) FreePool(uri);
    if (card) FreePool(card);
    return whole;
}

/* Our device, the server as an IPv4 node, then the file's TFTP name. */
static EFI_DEVICE_PATH_PROTOCOL *ImagePath(NetBoot *net, const CHAR8 *name) {
    if (net->web_base[0]) return WebImagePath(net, name);
    IPv4_DEVICE_PATH ip;
    ZeroMem(&ip, sizeof ip);
    ip.Header.Type = MESSAGING_DEVICE_PATH;
    ip.Header.SubType = MSG_IPv4_DP;
    SetDevicePathNodeLength(&ip.Header, sizeof ip);
    CopyMem(&ip.LocalIpAddress, net->pxe->Mode->StationIp.v4.Addr, 4);
    CopyMem(&ip.RemoteIpAddress, net->server.v4.Addr, 4);
    ip.RemotePort = 69;
    ip.Protocol = 17; /* UDP */
    CopyMem(&ip.SubnetMask, net->pxe->Mode->SubnetMask.v4.Addr, 4);

    CHAR16 wide[LDR_TFTP_NAME_MAX + 1];
    UINTN n = 0;
    for (; name[n] && n < LDR_TFTP_NAME_MAX; ++n) wide[n] = (CHAR8)name[n];
    wide[n] = 0;

    EFI_DEVICE_PATH_PROTOCOL *device = DevicePathFromHandle(net->device);
    EFI_DEVICE_PATH_PROTOCOL *with_ip = AppendDevicePathNode(device, &ip.Header);
    if (!with_ip) return NULL;
    EFI_DEVICE_PATH_PROTOCOL *file = FileDevicePath(NULL, wide);
    EFI_DEVICE_PATH_PROTOCOL *whole = file ? AppendDevicePath(with_ip, file) : NULL;
    FreePool(with_ip);
    if (file) FreePool(file);
    return whole;
}

/* Starts what LoadImage gave (status, child), or says why not (from_disk:
 * it is a disk image's boot program); returns as StartImageFile does. */
static EFI_STATUS StartLoadedImage(EFI_STATUS status, EFI_HANDLE child, BOOLEAN from_disk) {
    /* The firmware's image verification (or shim's, when shim started us)
     * refused the signature, or found none it trusts. */
    if (status == EFI_SECURITY_VIOLATION || status == EFI_ACCESS_DENIED) {
        if (child) uefi_call_wrapper(BS->UnloadImage, 1, child);
        return Report(status, from_disk ? L"Error: Secure Boot refused this image's UEFI boot program (it is not "
                                          L"signed with a key the PC trusts)."
                                        : L"Error: Secure Boot refused this EFI program (it is not signed with a key "
                                          L"the PC trusts).");
    }
    if (EFI_ERROR(status)) {
        CHAR16 text[96];
        SPrint(text, sizeof text, L"Error: the firmware could not load this EFI program (%r).", status);
        return Report(status, text);
    }
    uefi_call_wrapper(BS->SetWatchdogTimer, 4, BOOT_WATCHDOG_SECONDS, 0, 0, NULL);
    status = uefi_call_wrapper(BS->StartImage, 3, child, NULL, NULL);
    uefi_call_wrapper(BS->SetWatchdogTimer, 4, 0, 0, 0, NULL);
    /* The image has ended: StartImage unloads an application that returns. */
    return status;
}

/* The disk's own boot program, loaded from the disk so that it can read
 * its files from there; the disk is taken away when the program returns. */
static EFI_STATUS StartDiskImage(NetBoot *net, Received *file, const DiskImage *image) {
    RamDisk disk;
    EFI_DEVICE_PATH_PROTOCOL *program;
    const CHAR16 *why;
    EFI_STATUS status = MakeRamDisk(file, image, &disk, &program, &why);
    if (EFI_ERROR(status)) return Report(status, why);
    EFI_HANDLE child = NULL;
    status = uefi_call_wrapper(BS->LoadImage, 6, FALSE, net->image, program, NULL, 0, &child);
    FreePool(program);
    status = StartLoadedImage(status, child, TRUE);
    RemoveRamDisk(&disk);
    return status;
}

EFI_STATUS StartImageFile(NetBoot *net, const CHAR8 *name, Received *file) {
    DiskImage disk;
    const CHAR16 *bad = JudgeReceivedImage(file, &disk);
    if (!bad && disk.kind != DISK_NONE) return StartDiskImage(net, file, &disk);
    if (bad) {
        FreeReceived(file);
        return Report(EFI_LOAD_ERROR, bad);
    }
    EFI_DEVICE_PATH_PROTOCOL *path = ImagePath(net, name);
    EFI_HANDLE child = NULL;
    EFI_STATUS status =
        uefi_call_wrapper(BS->LoadImage, 6, FALSE, net->image, path, file->data, file->size, &child);
    if (path) FreePool(path);
    FreeReceived(file);
    return StartLoadedImage(status, child, FALSE);
}
