/* menvolt.efi: the UEFI network boot program. Started as NAME.efi it reads
 * NAME.ldr from the same folder of the same TFTP server (else menvolt.ldr
 * there: started by shim, whose boot file name is shim's), or from the web
 * server that HTTP Boot started it from or that NAME.url names; it shows that loader
 * file's menu exactly as the BIOS client does and starts the chosen EFI
 * program; a hard-drive item hands back to the boot manager, which goes on
 * to the next boot option. */
#include "loader/client_messages.h"
#include "loader/efi/boot_file_names.h"
#include "loader/efi/little_endian.h"
#include "loader/efi/loader_check.h"
#include "loader/efi/menvolt_efi.h"

/* Server path then image name, cut where the BIOS client's name field ends. */
static void ImageName(const Loader *ldr, UINTN item, CHAR8 *out) {
    UINTN n = 0;
    UINTN parts[2] = {LoaderString(ldr, HDR_SERVER_PATH), SlotString(ldr, item, SLOT_IMAGE)};
    for (UINTN p = 0; p < 2; ++p)
        for (UINTN at = parts[p]; at < ldr->size && ldr->data[at] && n < LDR_TFTP_NAME_MAX; ++at)
            out[n++] = (CHAR8)ldr->data[at];
    out[n] = 0;
}

/* Returns when the hard-drive item is taken (EFI_NOT_FOUND, so the boot
 * manager goes on), or when a single item has run (its program's status)
 * or failed (an error, so the boot manager goes on to its next option
 * rather than taking the refusal for a boot that worked). */
static EFI_STATUS RunLoader(NetBoot *net, const Loader *ldr) {
    UINTN selected = ReadLe16(ldr->data + LDR_SELECTED);
    if (selected >= ldr->count) selected = 0;
    UINTN timeout = ReadLe16(ldr->data + LDR_TIMEOUT);
    if (timeout > LDR_TIMEOUT_MAX) timeout = LDR_TIMEOUT_MAX;
    for (;;) {
        if (ldr->count > 1) {
            selected = RunMenu(ldr, selected, &timeout);
            ClearScreen(EFI_LIGHTGRAY);
        }
        if (ldr->data[SlotString(ldr, selected, SLOT_IMAGE)] == 0) return EFI_NOT_FOUND;

        CHAR8 name[LDR_TFTP_NAME_MAX + 1];
        ImageName(ldr, selected, name);
        MessageHome(L"" CLIENT_MSG_TRANSFERRING L"\r\n");
        Received file;
        const CHAR16 *why;
        EFI_STATUS status = ReadImageFile(net, name, &file, &why);
        if (EFI_ERROR(status)) {
            Report(status, why);
            if (ldr->count == 1) return status;
            continue;
        }
        status = StartImageFile(net, name, &file);
        if (ldr->count == 1) return status;
    }
}

/* Called by gnu-efi's start-up code, which passes the arguments the
 * System V way after relocating us. */
EFI_STATUS efi_main(EFI_HANDLE image, EFI_SYSTEM_TABLE *system) {
    InitializeLib(image, system);
    /* The boot manager arms a five-minute reset for every boot option; a
     * menu may wait longer than that for its user. */
    uefi_call_wrapper(BS->SetWatchdogTimer, 4, 0, 0, 0, NULL);
    ScreenInit();

    NetBoot net;
    ZeroMem(&net, sizeof net);
    net.image = image;
    const CHAR16 *why;
    if (EFI_ERROR(FindNetBoot(image, &net, &why))) return Report(EFI_NOT_FOUND, why);
    if (net.pxe) ReadWebSetting(&net);

    CHAR8 loader_name[sizeof net.own_name];
    NameWithExtension(net.own_name, (const CHAR8 *)".ldr", loader_name, sizeof loader_name);
    Received file;
    EFI_STATUS status = ReadLoaderFile(&net, loader_name, &file, &why);
    CHAR8 shared_name[sizeof loader_name];
    /* Only a file the server does not have is looked for again (the
     * firmware's base code says TFTP error, iPXE's not found). */
    if ((status == EFI_TFTP_ERROR || status == EFI_NOT_FOUND) &&
        OtherNameInFolder(loader_name, (const CHAR8 *)"menvolt.ldr", shared_name, sizeof shared_name)) {
        status = ReadLoaderFile(&net, shared_name, &file, &why);
        if (EFI_ERROR(status)) {
            MessageFormat(L"Error: neither the loader file %a nor %a could be read.\r\n", loader_name, shared_name);
            return Report(status, why);
        }
        CopyMem(loader_name, shared_name, sizeof loader_name);
    }
    if (EFI_ERROR(status)) {
        MessageFormat(L"Error: the loader file %a could not be read.\r\n", loader_name);
        return Report(status, why);
    }
    const UINT8 *data = file.data;
    const CHAR16 *bad = CheckLoaderFile(data, file.size);
    if (bad) {
        MessageFormat(L"%a:\r\n", loader_name);
        FreeReceived(&file);
        return Report(EFI_LOAD_ERROR, bad);
    }

    Loader ldr;
    ldr.data = data;
    ldr.size = file.size;
    ldr.header = ReadLe16(data + LDR_HEADER_PTR);
    ldr.normal = data[ldr.header + HDR_NORMAL_ATTR] & 0x7F;
    ldr.highlight = data[ldr.header + HDR_HIGHLIGHT_ATTR] & 0x7F;
    ldr.count = ReadLe16(data + ldr.header + HDR_ITEM_COUNT);
    if (ldr.count == 0) {
        FreeReceived(&file);
        return Report(EFI_NOT_FOUND, L"" CLIENT_MSG_NO_IMAGES);
    }
    status = RunLoader(&net, &ldr);
    FreeReceived(&file);
    return status;
}
