/* What differs between the x86-64 and the ARM64 build of the UEFI program:
 * the PE machine type of the programs it may start (the shared rule's names), the
 * removable-media boot program the UEFI standard names for that processor, and what a PC
 * of this kind says of an image made for the other one. */
#pragma once
#include "common/boot_image.h"

/* MENVOLT_EFI_AA64: the host's tests of the ARM64 build's decisions. */
#if defined(__aarch64__) || defined(MENVOLT_EFI_AA64)
#define PE_MACHINE_OURS BOOT_PE_MACHINE_AA64
#define PE_MACHINE_OTHER BOOT_PE_MACHINE_X64
#define BOOT_CPU_OURS BOOT_CPU_AA64
#define BOOT_CPU_OTHER BOOT_CPU_X64
#define EFI_REMOVABLE_MEDIA_FILE_NAME L"\\EFI\\BOOT\\BOOTAA64.EFI"
#define OTHER_REMOVABLE_MEDIA_FILE_NAME L"\\EFI\\BOOT\\BOOTX64.EFI"
#define OUR_PROCESSOR L"ARM64"
#define NEEDS_OTHER_PC L"This image needs an x86-64 PC."
#else
#define PE_MACHINE_OURS BOOT_PE_MACHINE_X64
#define PE_MACHINE_OTHER BOOT_PE_MACHINE_AA64
#define BOOT_CPU_OURS BOOT_CPU_X64
#define BOOT_CPU_OTHER BOOT_CPU_AA64
#define EFI_REMOVABLE_MEDIA_FILE_NAME L"\\EFI\\BOOT\\BOOTX64.EFI"
#define OTHER_REMOVABLE_MEDIA_FILE_NAME L"\\EFI\\BOOT\\BOOTAA64.EFI"
#define OUR_PROCESSOR L"x86-64"
#define NEEDS_OTHER_PC L"This image needs an ARM64 PC."
#endif
