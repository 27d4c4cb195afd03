/* Which way files come: by HTTP when a web address is set, else by TFTP.
 *
 * A site that starts us by PXE names its web server in a small text file
 * NAME.url beside NAME.efi (else menvolt.url, as for the loader file),
 * read by TFTP before anything else. A file rather than a DHCP option:
 * it lives on the share with the menus it serves, any DHCP server (or a
 * proxy DHCP a site does not run) leaves it alone, and taking it away
 * gives back plain TFTP. */
#include "loader/efi/boot_file_names.h"
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/web_setting.h"

#define WEB_SETTING_MAX 512

static const FileRead kImageRead = {TRUE, 0, NULL};
static const FileRead kLoaderRead = {FALSE, LDR_MAX_SIZE, L"Error: the loader file is larger than 8192 bytes."};
/* A larger file is no setting either; what is said then is the caller's. */
static const FileRead kWebSettingRead = {FALSE, WEB_SETTING_MAX, L"Error: the file is too large for a web setting."};

static EFI_STATUS ReadFile(NetBoot *net, const CHAR8 *name, const FileRead *what, Received *file,
                           const CHAR16 **why) {
    if (net->web_base[0]) {
        EFI_STATUS status = HttpRead(net, name, what, file, why);
        /* After PXE the TFTP server is still there: a web server that
         * cannot be reached gives way to it, once and for the rest of the
         * boot, and the screen says so. */
        if (status != EFI_NO_RESPONSE || !net->pxe) return status;
        Message(*why);
        Message(L" Reading by TFTP from now on.\r\n");
        net->web_base[0] = 0;
    }
    return TftpRead(net, name, what, file, why);
}

EFI_STATUS ReadLoaderFile(NetBoot *net, const CHAR8 *name, Received *file, const CHAR16 **why) {
    return ReadFile(net, name, &kLoaderRead, file, why);
}

EFI_STATUS ReadImageFile(NetBoot *net, const CHAR8 *name, Received *file, const CHAR16 **why) {
    return ReadFile(net, name, &kImageRead, file, why);
}

void ReadWebSetting(NetBoot *net) {
    CHAR8 own_setting[sizeof net->own_name + 16], shared_setting[sizeof own_setting];
    NameWithExtension(net->own_name, (const CHAR8 *)".url", own_setting, sizeof own_setting);
    for (UINTN shared = 0; shared < 2; ++shared) {
        CHAR8 *name = shared ? shared_setting : own_setting;
        if (shared &&
            !OtherNameInFolder(own_setting, (const CHAR8 *)"menvolt.url", shared_setting, sizeof shared_setting))
            return;
        Received file;
        const CHAR16 *why;
        EFI_STATUS status = TftpRead(net, name, &kWebSettingRead, &file, &why);
        if (status == EFI_TFTP_ERROR || status == EFI_NOT_FOUND) continue; /* none: TFTP it is */
        if (!EFI_ERROR(status) &&
            ParseWebSetting(file.data, file.size, net->web_base, sizeof net->web_base / sizeof net->web_base[0])) {
            FreeReceived(&file);
            return;
        }
        if (!EFI_ERROR(status)) FreeReceived(&file);
        MessageFormat(L"Error: %a does not hold a web address (http://server/folder/). Reading by TFTP.\r\n", name);
        return;
    }
}
