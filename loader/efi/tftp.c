/* Whole-file reads through the PXE base code's TFTP client, with the
 * largest block size the server grants and progress on the screen. */
#include "loader/client_messages.h"
#include "loader/efi/menvolt_efi.h"

/* Asked for; a server that grants less (or no option at all) gets its way. */
#define BLOCK_SIZE_ASKED 1432
/* Without a tsize answer the buffer starts here and doubles. */
#define FIRST_GUESS (4u << 20)
#define TFTP_DATA 3
#define TFTP_HEADER 4
#define TFTP_OPTIONS_REFUSED 8 /* error code of RFC 2347 */

typedef struct {
    EFI_PXE_BASE_CODE_CALLBACK_PROTOCOL protocol; /* first: the firmware hands us this */
    UINT64 expected;
    UINT64 received;
    UINTN shown;                                  /* last figure written, +1; 0 = none yet */
} Progress;

static EFI_PXE_BASE_CODE_CALLBACK_STATUS EFIAPI OnPacket(EFI_PXE_BASE_CODE_CALLBACK_PROTOCOL *self,
                                                          EFI_PXE_BASE_CODE_FUNCTION function,
                                                          BOOLEAN received, UINT32 length,
                                                          EFI_PXE_BASE_CODE_PACKET *packet) {
    Progress *p = (Progress *)self;
    /* Callbacks are on only around our own read. The function is not
     * looked at: edk2's base code passes the last one it started (DHCP). */
    (void)function;
    if (received && packet && length > TFTP_HEADER &&
        packet->Raw[0] == 0 && packet->Raw[1] == TFTP_DATA) {
        p->received += length - TFTP_HEADER;
        ShowProgress(p->received, p->expected, &p->shown);
    }
    return EFI_PXE_BASE_CODE_CALLBACK_STATUS_CONTINUE;
}

/* Progress needs the firmware to call back per packet; a firmware that
 * cannot simply shows none. */
static BOOLEAN StartProgress(NetBoot *net, Progress *p) {
    p->protocol.Revision = EFI_PXE_BASE_CODE_CALLBACK_PROTOCOL_REVISION;
    p->protocol.Callback = OnPacket;
    EFI_HANDLE handle = net->device;
    EFI_GUID guid = EFI_PXE_BASE_CODE_CALLBACK_PROTOCOL_GUID;
    if (EFI_ERROR(uefi_call_wrapper(BS->InstallProtocolInterface, 4, &handle, &guid, EFI_NATIVE_INTERFACE,
                                    &p->protocol)))
        return FALSE;
    BOOLEAN on = TRUE;
    if (EFI_ERROR(uefi_call_wrapper(net->pxe->SetParameters, 6, net->pxe, NULL, NULL, NULL, NULL, &on))) {
        uefi_call_wrapper(BS->UninstallProtocolInterface, 3, handle, &guid, &p->protocol);
        return FALSE;
    }
    return TRUE;
}

static void StopProgress(NetBoot *net, Progress *p) {
    BOOLEAN off = FALSE;
    EFI_GUID guid = EFI_PXE_BASE_CODE_CALLBACK_PROTOCOL_GUID;
    uefi_call_wrapper(net->pxe->SetParameters, 6, net->pxe, NULL, NULL, NULL, NULL, &off);
    uefi_call_wrapper(BS->UninstallProtocolInterface, 3, net->device, &guid, &p->protocol);
}

static EFI_STATUS Mtftp(NetBoot *net, EFI_PXE_BASE_CODE_TFTP_OPCODE op, void *buffer, UINT64 *size,
                        BOOLEAN with_block_size, const CHAR8 *name) {
    UINTN block = BLOCK_SIZE_ASKED;
    return uefi_call_wrapper(net->pxe->Mtftp, 10, net->pxe, op, buffer, FALSE, size,
                             with_block_size ? &block : NULL, &net->server, (UINT8 *)name, NULL, FALSE);
}

/* Could the server's error packet be its refusal of our options (code 8)?
 * edk2's base code does not say after a read that an error packet came, and
 * after a size query it stores the low byte of the code as it came off the
 * wire, in network order, so every code below 256 reads 0 there. */
static BOOLEAN MayBeOptionsRefused(NetBoot *net, EFI_STATUS status) {
    if (status != EFI_TFTP_ERROR) return FALSE;
    if (!net->pxe->Mode->TftpErrorReceived) return TRUE;
    UINT8 code = net->pxe->Mode->TftpError.ErrorCode;
    return code == TFTP_OPTIONS_REFUSED || code == 0;
}

/* options_granted: the size query was answered, so an error now is not
 * about the options. */
static EFI_STATUS ReadInto(NetBoot *net, const CHAR8 *name, UINT8 *buffer, UINT64 *size,
                           BOOLEAN options_granted) {
    UINT64 room = *size;
    EFI_STATUS status = Mtftp(net, EFI_PXE_BASE_CODE_TFTP_READ_FILE, buffer, size, TRUE, name);
    /* A server that answers the block size option with an error is asked
     * again without options, at 512-byte blocks. */
    if (!options_granted && MayBeOptionsRefused(net, status)) {
        *size = room;
        status = Mtftp(net, EFI_PXE_BASE_CODE_TFTP_READ_FILE, buffer, size, FALSE, name);
    }
    return status;
}

EFI_STATUS TftpRead(NetBoot *net, const CHAR8 *name, const FileRead *what, Received *file, const CHAR16 **why) {
    static const CHAR16 kFailed[] = L"" CLIENT_MSG_TFTP_FAILED;
    static const CHAR16 kTooLarge[] = L"Error: the file is larger than the memory of this PC allows.";
    ZeroMem(file, sizeof *file);
    *why = kFailed;

    UINT64 expected = 0;
    EFI_STATUS status = Mtftp(net, EFI_PXE_BASE_CODE_TFTP_GET_FILE_SIZE, NULL, &expected, TRUE, name);
    if (EFI_ERROR(status) && net->pxe->Mode->TftpErrorReceived && !MayBeOptionsRefused(net, status))
        return status; /* not found, access denied: no read can do better */
    BOOLEAN known = !EFI_ERROR(status);
    if (known && !what->image && expected > what->limit) {
        *why = what->too_large;
        return EFI_BUFFER_TOO_SMALL;
    }

    Progress progress = {0};
    progress.expected = known ? expected : 0;
    BOOLEAN progress_on = what->image && StartProgress(net, &progress);
    UINT64 capacity = known ? expected : (what->image ? FIRST_GUESS : what->limit + 1);
    UINT64 too_small = 0;
    BOOLEAN last_try = FALSE;
    for (;;) {
        /* One spare byte, so a file that grew since its size was asked for
         * is refused rather than cut. */
        UINTN pages = 0;
        EFI_MEMORY_TYPE type = what->image ? EfiReservedMemoryType : EfiLoaderData;
        UINT8 *buffer = AllocateReceived(capacity + 1, type, &pages);
        if (!buffer && too_small && !last_try) {
            /* Doubling overshoots: a file of 150 MB would need 256 MB. */
            last_try = TRUE;
            capacity = LastTryCapacity(too_small);
            if (capacity) buffer = AllocateReceived(capacity + 1, type, &pages);
        }
        if (!buffer) {
            *why = kTooLarge;
            status = EFI_OUT_OF_RESOURCES;
            break;
        }
        UINT64 got = capacity + 1;
        if (!known) SetMem(buffer, (UINTN)got, RECEIVED_FILL);
        progress.received = 0;
        /* An image of known size comes in windows where the firmware and
         * the server can; any failure there is tried once more the old way
         * (a server that refuses the options, firmware without MTFTP4). */
        status = EFI_UNSUPPORTED;
        if (known && what->image) {
            status = WindowedRead(net, name, buffer, expected, got, TRUE, &progress.shown);
            if (!EFI_ERROR(status)) got = expected;
        }
        if (EFI_ERROR(status)) status = ReadInto(net, name, buffer, &got, known);
        if (!EFI_ERROR(status) && !known && got == capacity + 1 && !what->image) {
            /* Some PXE base codes (iPXE's) neither answer tsize nor say how
             * much they received. A small file ends with a NUL or text, so
             * its length is where the fill starts; an image is handed on
             * with the fill behind it, which a PE loader never reads. */
            got = WrittenLength(buffer, (UINTN)got);
        }
        if (!EFI_ERROR(status) && (!known || got <= capacity) && (what->image || got <= what->limit)) {
            file->data = buffer;
            file->size = (UINTN)got;
            /* A base code that says nothing leaves got at the whole buffer. */
            file->exact = known || got <= capacity || !what->image;
            file->pages = pages;
            break;
        }
        uefi_call_wrapper(BS->FreePages, 2, (EFI_PHYSICAL_ADDRESS)(UINTN)buffer, pages);
        if (!EFI_ERROR(status) || status == EFI_BUFFER_TOO_SMALL) {
            if (!what->image || known) {
                *why = what->image ? kFailed : what->too_large;
                status = EFI_BUFFER_TOO_SMALL;
                break;
            }
            if (last_try || capacity > ((UINT64)1 << 40)) {
                *why = kTooLarge;
                break;
            }
            too_small = capacity;
            capacity *= 2;
            continue;
        }
        break;
    }
    if (progress_on) StopProgress(net, &progress);
    return status;
}
