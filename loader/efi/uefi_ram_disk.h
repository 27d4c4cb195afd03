/* The firmware's RAM disk service (EFI_RAM_DISK_PROTOCOL, UEFI 2.6 and
 * later), which Debian's gnu-efi does not declare. Names and GUIDs as the
 * UEFI standard gives them. */
#pragma once
#include <efi.h>

#define EFI_RAM_DISK_PROTOCOL_GUID \
    {0xab38a0df, 0x6873, 0x44a9, {0x87, 0xe6, 0xd4, 0xeb, 0x56, 0x14, 0x84, 0x49}}
/* Disk types: a volatile virtual disk (512-byte blocks) and a volatile
 * virtual CD (2048-byte blocks, read through El Torito). */
#define EFI_VIRTUAL_DISK_GUID \
    {0x77ab535a, 0x45fc, 0x624b, {0x55, 0x60, 0xf7, 0xb2, 0x81, 0xd1, 0xf9, 0x6e}}
#define EFI_VIRTUAL_CD_GUID \
    {0x3d5abd30, 0x4175, 0x87ce, {0x6d, 0x64, 0xd2, 0xad, 0xe5, 0x23, 0xc4, 0xbb}}

struct _EFI_RAM_DISK_PROTOCOL {
    /* *DevicePath is allocated from pool by the firmware; the caller frees it. */
    EFI_STATUS(EFIAPI *Register)(UINT64 RamDiskBase, UINT64 RamDiskSize, EFI_GUID *RamDiskType,
                                 EFI_DEVICE_PATH_PROTOCOL *ParentDevicePath, EFI_DEVICE_PATH_PROTOCOL **DevicePath);
    EFI_STATUS(EFIAPI *Unregister)(EFI_DEVICE_PATH_PROTOCOL *DevicePath);
};
