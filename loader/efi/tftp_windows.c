/* Image reads with RFC 7440 windows through the firmware's MTFTP4 protocol.
 * The PXE base code asks a window of 4 blocks at most (edk2's), and waits
 * out a round trip for every window: on a network where that is a
 * millisecond, a window of 4 x 1432 bytes is under 3 MB/s. MTFTP4 lets us
 * ask for more; a server that does not answer the option sends one block
 * per acknowledgement as before. */
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/uefi_mtftp4.h"

/* Blocks per acknowledgement asked for; 16 x 1432 bytes are 22 KB in
 * flight, which a server's and the firmware's socket buffers take without
 * loss. */
#define WINDOW_ASKED "16"
#define BLOCK_SIZE_ASKED "1432"
/* The PXE base code's own: four seconds, six tries. */
#define TIMEOUT_SECONDS 4
#define TRIES 6
#define TFTP_DATA 3
#define TFTP_HEADER 4

typedef struct {
    UINT64 expected;
    UINT64 received;
    UINTN *shown;
    BOOLEAN show_progress;
} Count;

/* Called for every new data block (not for repeats) and the options'
 * answer. */
static EFI_STATUS EFIAPI OnPacket(EFI_MTFTP4_PROTOCOL *self, EFI_MTFTP4_TOKEN *token, UINT16 length,
                                  EFI_MTFTP4_PACKET *packet) {
    (void)self;
    Count *count = token->Context;
    const UINT8 *raw = (const UINT8 *)packet;
    if (length >= TFTP_HEADER && raw[0] == 0 && raw[1] == TFTP_DATA) {
        count->received += length - TFTP_HEADER;
        if (count->show_progress) ShowProgress(count->received, count->expected, count->shown);
    }
    return EFI_SUCCESS;
}

EFI_STATUS WindowedRead(NetBoot *net, const CHAR8 *name, UINT8 *buffer, UINT64 expected, UINT64 room,
                        BOOLEAN show_progress, UINTN *shown) {
    EFI_GUID binding_guid = EFI_MTFTP4_SERVICE_BINDING_PROTOCOL_GUID, mtftp_guid = EFI_MTFTP4_PROTOCOL_GUID;
    EFI_DEVICE_PATH_PROTOCOL *path = DevicePathFromHandle(net->device);
    EFI_HANDLE card, child = NULL;
    EFI_SERVICE_BINDING *binding;
    EFI_MTFTP4_PROTOCOL *mtftp;
    if (!path || net->pxe->Mode->UsingIpv6) return EFI_UNSUPPORTED;
    EFI_STATUS status = uefi_call_wrapper(BS->LocateDevicePath, 3, &binding_guid, &path, &card);
    if (!EFI_ERROR(status))
        status = uefi_call_wrapper(BS->HandleProtocol, 3, card, &binding_guid, (void **)&binding);
    if (!EFI_ERROR(status)) status = uefi_call_wrapper(binding->CreateChild, 2, binding, &child);
    if (EFI_ERROR(status)) return EFI_UNSUPPORTED;
    status = uefi_call_wrapper(BS->HandleProtocol, 3, child, &mtftp_guid, (void **)&mtftp);

    /* PXE's address and gateway: the server may be behind a router. */
    const EFI_PXE_BASE_CODE_MODE *mode = net->pxe->Mode;
    EFI_MTFTP4_CONFIG_DATA config;
    ZeroMem(&config, sizeof config);
    CopyMem(&config.StationIp, mode->StationIp.v4.Addr, 4);
    CopyMem(&config.SubnetMask, mode->SubnetMask.v4.Addr, 4);
    if (mode->RouteTableEntries > 0) CopyMem(&config.GatewayIp, mode->RouteTable[0].GwAddr.v4.Addr, 4);
    CopyMem(&config.ServerIp, net->server.v4.Addr, 4);
    config.InitialServerPort = 69;
    config.TryCount = TRIES;
    config.TimeoutValue = TIMEOUT_SECONDS;
    if (!EFI_ERROR(status)) status = uefi_call_wrapper(mtftp->Configure, 2, mtftp, &config);

    EFI_MTFTP4_OPTION options[] = {{(UINT8 *)"blksize", (UINT8 *)BLOCK_SIZE_ASKED},
                                   {(UINT8 *)"windowsize", (UINT8 *)WINDOW_ASKED}};
    Count count = {expected, 0, shown, show_progress};
    EFI_MTFTP4_TOKEN token;
    ZeroMem(&token, sizeof token);
    token.Filename = (UINT8 *)name;
    token.ModeStr = (UINT8 *)"octet";
    token.OptionCount = sizeof options / sizeof options[0];
    token.OptionList = options;
    token.BufferSize = room;
    token.Buffer = buffer;
    token.Context = &count;
    token.CheckPacket = OnPacket;
    /* Without an event the read runs to its end before returning. */
    if (!EFI_ERROR(status)) status = uefi_call_wrapper(mtftp->ReadFile, 2, mtftp, &token);
    if (!EFI_ERROR(status)) status = token.Status;
    uefi_call_wrapper(binding->DestroyChild, 2, binding, child);
    /* Only a file of the size the server gave before counts. */
    if (!EFI_ERROR(status) && count.received != expected) status = EFI_PROTOCOL_ERROR;
    return status;
}
