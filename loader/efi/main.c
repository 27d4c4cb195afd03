/* menvolt.efi: the UEFI network boot program. Started as NAME.efi it reads
 * NAME.ldr from the same folder of the same TFTP server (else menvolt.ldr
 * there: started by shim, whose boot file name is shim's), or from the web
 * server that HTTP Boot started it from or that NAME.url names; it shows that loader
 * file's menu exactly as the BIOS client does and starts the chosen EFI
 * program; a hard-drive item hands back to the boot manager, which goes on
 * to the next boot option. */
#include "loader/client_messages.h"
#include "loader/efi/loader_check.h"
#include "loader/efi/menvolt_efi.h"

/* NAME.efi -> NAME.ldr, in the same folder; a name without an extension
 * gets one. */
static void LoaderName(const CHAR8 *own, CHAR8 *out, UINTN out_size) {
    static const CHAR8 ext[] = ".ldr";
    UINTN length = strlena((CHAR8 *)own), dot = length;
    for (UINTN i = length; i-- > 0 && own[i] != '/' && own[i] != '\\';) {
        if (own[i] == '.') {
            dot = i;
            break;
        }
    }
    if (dot + sizeof ext > out_size) dot = out_size - sizeof ext;
    CopyMem(out, (void *)own, dot);
    CopyMem(out + dot, (void *)ext, sizeof ext);
}

/* The folder of `own`, then menvolt.ldr: the one loader file a site serves
 * to every kind of PC. FALSE when `own` names that file already. */
static BOOLEAN SharedLoaderName(const CHAR8 *own, CHAR8 *out, UINTN out_size) {
    static const CHAR8 shared[] = "menvolt.ldr";
    UINTN folder = strlena((CHAR8 *)own);
    while (folder > 0 && own[folder - 1] != '/' && own[folder - 1] != '\\') --folder;
    if (folder + sizeof shared > out_size) return FALSE;
    CopyMem(out, (void *)own, folder);
    CopyMem(out + folder, (void *)shared, sizeof shared);
    return strcmpa(out, (CHAR8 *)own) != 0;
}

/* Server path then image name, cut where the BIOS client's name field ends. */
static void ImageName(const Loader *ldr, UINTN item, CHAR8 *out) {
    UINTN n = 0;
    UINTN parts[2] = {LoaderString(ldr, HDR_SERVER_PATH), SlotString(ldr, item, SLOT_IMAGE)};
    for (UINTN p = 0; p < 2; ++p)
        for (UINTN at = parts[p]; at < ldr->size && ldr->data[at] && n < LDR_TFTP_NAME_MAX; ++at)
            out[n++] = (CHAR8)ldr->data[at];
    out[n] = 0;
}

static void Fail(const CHAR16 *text) {
    Message(text);
    Message(L"\r\n");
    WaitAnyKey();
}

/* Returns when the hard-drive item is taken (EFI_NOT_FOUND, so the boot
 * manager goes on), or when a single item has run (its program's status)
 * or failed (an error, so the boot manager goes on to its next option
 * rather than taking the refusal for a boot that worked). */
static EFI_STATUS RunLoader(NetBoot *net, const Loader *ldr) {
    UINTN selected = LoaderWord(ldr->data, LDR_SELECTED);
    if (selected >= ldr->count) selected = 0;
    UINTN timeout = LoaderWord(ldr->data, LDR_TIMEOUT);
    if (timeout > LDR_TIMEOUT_MAX) timeout = LDR_TIMEOUT_MAX;
    for (;;) {
        if (ldr->count > 1) {
            selected = RunMenu(ldr, selected, &timeout);
            ClearScreen(EFI_LIGHTGRAY);
        }
        if (ldr->data[SlotString(ldr, selected, SLOT_IMAGE)] == 0) return EFI_NOT_FOUND;

        CHAR8 name[LDR_TFTP_NAME_MAX + 1];
        ImageName(ldr, selected, name);
        uefi_call_wrapper(ST->ConOut->SetCursorPosition, 3, ST->ConOut, 0, 0);
        Message(L"" CLIENT_MSG_TRANSFERRING L"\r\n");
        Received file;
        const CHAR16 *why;
        EFI_STATUS status = ReadFile(net, name, 0, TRUE, &file, &why);
        if (EFI_ERROR(status)) {
            Fail(why);
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
    if (EFI_ERROR(FindNetBoot(image, &net))) {
        WaitAnyKey();
        return EFI_NOT_FOUND;
    }
    if (net.pxe) ReadWebSetting(&net);

    CHAR8 loader_name[sizeof net.own_name];
    LoaderName(net.own_name, loader_name, sizeof loader_name);
    Received file;
    const CHAR16 *why;
    EFI_STATUS status = ReadFile(&net, loader_name, LDR_MAX_SIZE, FALSE, &file, &why);
    CHAR8 shared_name[sizeof loader_name];
    /* Only a file the server does not have is looked for again (the
     * firmware's base code says TFTP error, iPXE's not found). */
    if ((status == EFI_TFTP_ERROR || status == EFI_NOT_FOUND) &&
        SharedLoaderName(loader_name, shared_name, sizeof shared_name)) {
        status = ReadFile(&net, shared_name, LDR_MAX_SIZE, FALSE, &file, &why);
        if (EFI_ERROR(status)) {
            Print(L"Error: neither the loader file %a nor %a could be read.\r\n", loader_name, shared_name);
            Fail(why);
            return status;
        }
        CopyMem(loader_name, shared_name, sizeof loader_name);
    }
    if (EFI_ERROR(status)) {
        Print(L"Error: the loader file %a could not be read.\r\n", loader_name);
        Fail(why);
        return status;
    }
    const UINT8 *data = file.data;
    const CHAR16 *bad = CheckLoaderFile(data, file.size);
    if (bad) {
        Print(L"%a:\r\n", loader_name);
        Fail(bad);
        FreeReceived(&file);
        return EFI_LOAD_ERROR;
    }

    Loader ldr;
    ldr.data = data;
    ldr.size = file.size;
    ldr.header = LoaderWord(data, LDR_HEADER_PTR);
    ldr.normal = data[ldr.header + HDR_NORMAL_ATTR] & 0x7F;
    ldr.highlight = data[ldr.header + HDR_HIGHLIGHT_ATTR] & 0x7F;
    ldr.count = LoaderWord(data, ldr.header + HDR_ITEM_COUNT);
    if (ldr.count == 0) {
        Fail(L"" CLIENT_MSG_NO_IMAGES);
        FreeReceived(&file);
        return EFI_NOT_FOUND;
    }
    status = RunLoader(&net, &ldr);
    FreeReceived(&file);
    return status;
}
