/* Which way files come: by HTTP when a web address is set, else by TFTP.
 *
 * A site that starts us by PXE names its web server in a small text file
 * NAME.url beside NAME.efi (else menvolt.url, as for the loader file),
 * read by TFTP before anything else. A file rather than a DHCP option:
 * it lives on the share with the menus it serves, any DHCP server (or a
 * proxy DHCP a site does not run) leaves it alone, and taking it away
 * gives back plain TFTP. */
#include "loader/efi/menvolt_efi.h"

#define WEB_SETTING_MAX 512

EFI_STATUS ReadFile(NetBoot *net, const CHAR8 *name, UINTN max, BOOLEAN show_progress, Received *file,
                    const CHAR16 **why) {
    if (net->web_base[0]) {
        EFI_STATUS status = HttpRead(net, name, max, show_progress, file, why);
        /* After PXE the TFTP server is still there: a web server that
         * cannot be reached gives way to it, once and for the rest of the
         * boot, and the screen says so. */
        if (status != EFI_NO_RESPONSE || !net->pxe) return status;
        Message(*why);
        Message(L" Reading by TFTP from now on.\r\n");
        net->web_base[0] = 0;
    }
    return TftpRead(net, name, max, show_progress, file, why);
}

/* The first line, without blanks around it, when it is a web address
 * this program can use: "http://" or "https://", printable ASCII without
 * spaces, short enough to leave room for the longest name. A folder
 * without its closing slash gets one. */
static BOOLEAN TakeWebSetting(const UINT8 *text, UINTN size, CHAR16 *base) {
    UINTN start = 0, end;
    while (start < size && (text[start] == ' ' || text[start] == '\t')) ++start;
    for (end = start; end < size && text[end] != '\r' && text[end] != '\n'; ++end) {
    }
    while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    UINTN length = end - start;
    static const CHAR8 http[] = "http://", https[] = "https://";
    BOOLEAN scheme = (length > 7 && CompareMem((void *)(text + start), (void *)http, 7) == 0) ||
                     (length > 8 && CompareMem((void *)(text + start), (void *)https, 8) == 0);
    if (!scheme || length + 1 > WEB_BASE_MAX) return FALSE;
    for (UINTN i = 0; i < length; ++i) {
        UINT8 c = text[start + i];
        if (c <= ' ' || c >= 0x7F) return FALSE;
        base[i] = c;
    }
    if (base[length - 1] != '/') base[length++] = '/';
    base[length] = 0;
    return TRUE;
}

/* NAME.efi -> NAME.url; then menvolt.url in the same folder. */
static void SettingName(const CHAR8 *own, BOOLEAN shared, CHAR8 *out, UINTN size) {
    UINTN length = strlena((CHAR8 *)own), folder = length, dot = length;
    while (folder > 0 && own[folder - 1] != '/' && own[folder - 1] != '\\') --folder;
    for (UINTN i = length; i > folder; --i)
        if (own[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    const CHAR8 *tail = (const CHAR8 *)(shared ? "menvolt.url" : ".url");
    UINTN keep = shared ? folder : dot, tail_length = strlena((CHAR8 *)tail);
    if (keep + tail_length + 1 > size) keep = size - tail_length - 1;
    CopyMem(out, (void *)own, keep);
    CopyMem(out + keep, (void *)tail, tail_length + 1);
}

void ReadWebSetting(NetBoot *net) {
    CHAR8 name[sizeof net->own_name + 16];
    name[0] = 0;
    for (UINTN shared = 0; shared < 2; ++shared) {
        CHAR8 previous[sizeof name];
        CopyMem(previous, name, sizeof name);
        SettingName(net->own_name, shared != 0, name, sizeof name);
        if (shared && strcmpa(name, previous) == 0) return;
        Received file;
        const CHAR16 *why;
        /* The loader-file limit only bounds the read: a larger file is no
         * setting either. */
        EFI_STATUS status = TftpRead(net, name, WEB_SETTING_MAX, FALSE, &file, &why);
        if (status == EFI_TFTP_ERROR || status == EFI_NOT_FOUND) continue; /* none: TFTP it is */
        if (!EFI_ERROR(status) && TakeWebSetting(file.data, file.size, net->web_base)) {
            FreeReceived(&file);
            return;
        }
        if (!EFI_ERROR(status)) FreeReceived(&file);
        Print(L"Error: %a does not hold a web address (http://server/folder/). Reading by TFTP.\r\n", name);
        return;
    }
}
