/* The network we were loaded from: the PXE base code of our own device, the
 * boot server's address and our own boot file name, found as the BIOS
 * client finds them in the boot ROM's cached reply. */
#include "loader/client_messages.h"
#include "loader/efi/dhcp_option.h"
#include "loader/efi/menvolt_efi.h"

#define BOOTP_REPLY 2

/* The reply the BIOS client reads as the cached reply: the boot server's
 * answer when there was one, else the proxy offer, else the DHCP ack. */
static const EFI_PXE_BASE_CODE_PACKET *CachedReply(const EFI_PXE_BASE_CODE_MODE *mode) {
    if (mode->PxeReplyReceived) return &mode->PxeReply;
    if (mode->ProxyOfferReceived) return &mode->ProxyOffer;
    if (mode->DhcpAckReceived) return &mode->DhcpAck;
    return NULL;
}

static BOOLEAN ServerFromReply(const EFI_PXE_BASE_CODE_PACKET *reply, EFI_IP_ADDRESS *server) {
    const UINT8 *siaddr = reply->Dhcpv4.BootpSiAddr;
    ZeroMem(server, sizeof *server);
    if (siaddr[0] | siaddr[1] | siaddr[2] | siaddr[3]) {
        CopyMem(server->v4.Addr, siaddr, 4);
        return TRUE;
    }
    UINTN length = 0;
    const UINT8 *id = FindDhcpOption(reply->Raw, sizeof reply->Raw, DHCP_OPTION_SERVER_ID, &length);
    if (!id || length < 4) return FALSE;
    CopyMem(server->v4.Addr, id, 4);
    return TRUE;
}

/* The BOOTP file field, else option 67 (where dnsmasq puts the name for
 * UEFI clients). */
static void CopyBootFile(const EFI_PXE_BASE_CODE_PACKET *reply, CHAR8 *out, UINTN out_size) {
    const UINT8 *file = reply->Dhcpv4.BootpBootFile;
    UINTN length = sizeof reply->Dhcpv4.BootpBootFile;
    if (!file[0]) {
        file = FindDhcpOption(reply->Raw, sizeof reply->Raw, DHCP_OPTION_BOOT_FILE, &length);
        if (!file) length = 0;
    }
    UINTN n = 0;
    while (n + 1 < out_size && n < length && file[n]) {
        out[n] = (CHAR8)file[n];
        ++n;
    }
    out[n] = 0;
}

/* The URI node of a device path, or NULL. */
static const URI_DEVICE_PATH *FindUri(EFI_DEVICE_PATH_PROTOCOL *path) {
    for (; path && !IsDevicePathEnd(path); path = NextDevicePathNode(path))
        if (DevicePathType(path) == MESSAGING_DEVICE_PATH && DevicePathSubType(path) == MSG_URI_DP)
            return (const URI_DEVICE_PATH *)path;
    return NULL;
}

static UINT8 HexValue(CHAR8 c) {
    if (c >= '0' && c <= '9') return (UINT8)(c - '0');
    c |= 0x20;
    return c >= 'a' && c <= 'f' ? (UINT8)(c - 'a' + 10) : 0xFF;
}

/* Started by HTTP Boot from "http://server[:port]/PATH": the server's root
 * is the share's, as the TFTP server's is, so PATH (unescaped) is our own
 * name and every file is asked for there. FALSE when the address is not
 * one of that form or does not fit. */
static BOOLEAN FromWebAddress(const URI_DEVICE_PATH *uri, NetBoot *net) {
    UINTN length = DevicePathNodeLength(&uri->Header) - sizeof uri->Header;
    const CHAR8 *text = (const CHAR8 *)uri->Uri;
    UINTN at = 0;
    while (at < length && text[at] != ':') ++at;
    if (at + 3 > length || text[at + 1] != '/' || text[at + 2] != '/') return FALSE;
    at += 3;
    while (at < length && text[at] && text[at] != '/') ++at;
    if (at >= length || text[at] != '/' || at + 1 > WEB_BASE_MAX) return FALSE;
    for (UINTN i = 0; i <= at; ++i) net->web_base[i] = (CHAR8)text[i];
    net->web_base[at + 1] = 0;
    UINTN n = 0;
    for (++at; at < length && text[at] && text[at] != '?' && text[at] != '#'; ++at) {
        if (n + 1 >= sizeof net->own_name) return FALSE;
        CHAR8 c = text[at];
        if (c == '%' && at + 2 < length && HexValue(text[at + 1]) < 16 && HexValue(text[at + 2]) < 16) {
            c = (CHAR8)(HexValue(text[at + 1]) << 4 | HexValue(text[at + 2]));
            at += 2;
        }
        net->own_name[n++] = c;
    }
    net->own_name[n] = 0;
    return n > 0;
}

EFI_STATUS FindNetBoot(EFI_HANDLE image, NetBoot *net, const CHAR16 **why) {
    EFI_LOADED_IMAGE_PROTOCOL *loaded = NULL;
    EFI_STATUS status = uefi_call_wrapper(BS->HandleProtocol, 3, image, &gEfiLoadedImageProtocolGuid, (void **)&loaded);
    /* Without it there is no device to find the base code on either. */
    *why = L"Error: Preboot API not found!";
    if (EFI_ERROR(status)) return status;
    net->device = loaded->DeviceHandle;
    /* HTTP Boot puts the address on its own child's path or leaves it in
     * the rest of ours. */
    const URI_DEVICE_PATH *uri = FindUri(DevicePathFromHandle(net->device));
    if (!uri) uri = FindUri(loaded->FilePath);
    if (uri) {
        if (FromWebAddress(uri, net)) return EFI_SUCCESS;
        *why = L"Error: the web address this program was started from cannot be used.";
        return EFI_NOT_FOUND;
    }
    status = uefi_call_wrapper(BS->HandleProtocol, 3, net->device, &gEfiPxeBaseCodeProtocolGuid, (void **)&net->pxe);
    if (EFI_ERROR(status) || !net->pxe->Mode || !net->pxe->Mode->Started) {
        *why = L"" CLIENT_MSG_NO_PXE;
        return EFI_NOT_FOUND;
    }
    const EFI_PXE_BASE_CODE_MODE *mode = net->pxe->Mode;
    const EFI_PXE_BASE_CODE_PACKET *reply = CachedReply(mode);
    if (mode->UsingIpv6 || !reply || reply->Dhcpv4.BootpOpcode != BOOTP_REPLY) {
        *why = L"" CLIENT_MSG_BINL_INFO;
        return EFI_NOT_FOUND;
    }
    if (!ServerFromReply(reply, &net->server)) {
        *why = L"" CLIENT_MSG_SERVER_IP;
        return EFI_NOT_FOUND;
    }
    CopyBootFile(reply, net->own_name, sizeof net->own_name);
    if (!net->own_name[0] && mode->DhcpAckReceived) CopyBootFile(&mode->DhcpAck, net->own_name, sizeof net->own_name);
    if (!net->own_name[0]) {
        *why = L"Error: the DHCP reply names no boot file, so the loader file cannot be found.";
        return EFI_NOT_FOUND;
    }
    return EFI_SUCCESS;
}
