/* What a received image is, for this PC: an EFI program it may start, a
 * disk the firmware can read (a FAT volume, bare or behind an extended
 * image's start-up code, or an ISO 9660 CD with an El Torito entry for
 * EFI) whose boot program is for this processor, or something refused with
 * the reason. The decision is common/boot_image.c's, the rule the editor's
 * "boots on" follows too; everything is checked against the bytes received
 * before the firmware sees any of it, so a damaged image is refused with a
 * message instead of being registered as a disk the firmware's drivers then
 * trip over. */
#include "common/boot_image.h"
#include "loader/efi/efi_layout.h"
#include "loader/efi/processor.h"
#include "loader/efi/received_image.h"

const CHAR16 kNoUefiProgram[] = L"This image has no UEFI boot program.";
#define CD_BLOCK 2048

static const CHAR16 kNeedsBios[] = L"This image needs a PC that boots in BIOS mode.";

static int ReadReceived(void *context, uint64_t offset, void *out, size_t size) {
    const Received *file = context;
    const UINT8 *from = file->data + offset; /* the rule has checked the range against the size */
    for (size_t i = 0; i < size; ++i) ((UINT8 *)out)[i] = from[i];
    return 1;
}

/* NULL when the firmware may be given the program, else why not. */
static const CHAR16 *CheckProgram(const Received *file) {
    BootPeFacts pe;
    ReadBootPeFacts(file->data, file->size, &pe);
    switch (BootPeProblemFor(&pe, PE_MACHINE_OURS)) {
        case BOOT_PE_OK: return NULL;
        case BOOT_PE_NOT_PE: return kNeedsBios;
        case BOOT_PE_OTHER_MACHINE:
            return pe.machine == PE_MACHINE_OTHER
                       ? NEEDS_OTHER_PC
                       : L"This EFI program is made for another kind of processor than " OUR_PROCESSOR L".";
        case BOOT_PE_NOT_PE32_PLUS: return L"This EFI program is not a 64-bit PE32+ file.";
        case BOOT_PE_NOT_APPLICATION: return L"This file is an EFI driver, not an EFI program.";
        default: return L"Error: this EFI program is damaged (its headers do not fit the file).";
    }
}

static const CHAR16 *DamageText(BootImageDamage damage) {
    switch (damage) {
        case BOOT_DAMAGE_FAT_BOOT_SECTOR: return L"Error: the boot sector of this image's FAT volume is damaged.";
        case BOOT_DAMAGE_FAT_TABLE:
            return L"Error: the file allocation table of this image's FAT volume is damaged.";
        case BOOT_DAMAGE_EXTENDED_HEADER:
            return L"Error: this extended image's header gives sizes that do not fit the file.";
        case BOOT_DAMAGE_CD_SHORT: return L"Error: this CD image is shorter than its volume descriptor says.";
        default: return NULL;
    }
}

/* A disk whose removable-media boot program is not ours. */
static const CHAR16 *CheckPrograms(const BootImage *image) {
    if (image->uefi_programs & BOOT_CPU_OURS) return NULL;
    return image->uefi_programs & BOOT_CPU_OTHER ? NEEDS_OTHER_PC : kNoUefiProgram;
}

const CHAR16 *JudgeReceivedImage(const Received *file, DiskImage *disk) {
    BootImageSource source = {ReadReceived, (void *)file, file->size, SMALL_PROGRAM_MAX};
    BootImage image;
    ReadBootImage(&source, &image);
    *disk = (DiskImage){DISK_NONE, 0, 0};
    const CHAR16 *bad = DamageText(image.damage);
    if (bad) return bad;
    switch (image.kind) {
        case BOOT_IMAGE_PROGRAM: return CheckProgram(file);
        case BOOT_IMAGE_CD: {
            if (!image.efi_image) return kNoUefiProgram;
            if ((bad = CheckPrograms(&image))) return bad;
            /* All that was received: a hybrid image may keep its EFI image
             * in a partition appended behind the ISO 9660 volume. Where the
             * end of the file was not told, it is where the fill starts (or
             * the end of the volume, for a disc whose last bytes look like
             * fill), so the pages behind go back to the firmware. */
            disk->kind = DISK_ISO;
            disk->size = file->size / CD_BLOCK * CD_BLOCK;
            if (!file->exact) {
                UINTN written = (WrittenLength(file->data, file->size) + CD_BLOCK - 1) / CD_BLOCK * CD_BLOCK;
                UINTN end = written > image.volume_size ? written : (UINTN)image.volume_size;
                if (end < disk->size) disk->size = end;
            }
            return NULL;
        }
        case BOOT_IMAGE_FAT:
        case BOOT_IMAGE_EXTENDED:
            if ((bad = CheckPrograms(&image))) return bad;
            disk->kind = DISK_FAT;
            disk->offset = (UINTN)image.volume_offset;
            disk->size = (UINTN)image.volume_size;
            return NULL;
        default: return kNeedsBios;
    }
}
