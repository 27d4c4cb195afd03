/* Whole-file reads over HTTP, through the firmware's EFI HTTP protocol on
 * the network card we were started from. One connection per file: a
 * server that sent more or less than it said cannot spoil the next one. */
#include "loader/efi/http_header.h"
#include "loader/efi/menvolt_efi.h"
#include "loader/efi/uefi_http.h"

/* No answer, or no new byte of the body, for this long ends the read. */
#define STALL_LIMIT_100NS (15ull * 10 * 1000 * 1000)
#define CONNECT_TIMEOUT_MS 10000
/* The body is received straight into the file's pages in pieces this
 * large: the firmware copies what has come, up to this, on each call. */
#define RECEIVE_PIECE (1u << 20)

static const CHAR16 kFailed[] = L"Error: HTTP failed transferring image file.";
static const CHAR16 kTooLarge[] = L"Error: the file is larger than the memory of this PC allows.";
static const CHAR16 kNoConnection[] = L"Error: the web server could not be reached.";
static const CHAR16 kNoLength[] =
    L"Error: the web server did not say how long the file is (no Content-Length).";
static const CHAR16 kCut[] = L"Error: the web server stopped sending before the whole file came.";
static const CHAR16 kAddressTooLong[] = L"Error: the file's web address is too long.";
/* Messages that name the server's status code are written here. */
static CHAR16 status_message[96];

typedef struct {
    EFI_SERVICE_BINDING *binding;
    EFI_HANDLE child;
    EFI_HTTP_PROTOCOL *http;
} Connection;

static void EFIAPI SetDone(EFI_EVENT event, void *done) {
    (void)event;
    *(volatile BOOLEAN *)done = TRUE;
}

/* The IPv4 node of a device path, or NULL. */
static const IPv4_DEVICE_PATH *FindIpv4(EFI_DEVICE_PATH_PROTOCOL *path) {
    for (; path && !IsDevicePathEnd(path); path = NextDevicePathNode(path))
        if (DevicePathType(path) == MESSAGING_DEVICE_PATH && DevicePathSubType(path) == MSG_IPv4_DP)
            return (const IPv4_DEVICE_PATH *)path;
    return NULL;
}

/* The card's HTTP service: on the handle of the device path we were
 * loaded from, or the nearest one above it (the card, under PXE's and
 * HTTP Boot's own children). */
static EFI_STATUS Open(NetBoot *net, Connection *c) {
    EFI_GUID binding_guid = EFI_HTTP_SERVICE_BINDING_PROTOCOL_GUID, http_guid = EFI_HTTP_PROTOCOL_GUID;
    EFI_DEVICE_PATH_PROTOCOL *path = DevicePathFromHandle(net->device);
    EFI_HANDLE card;
    if (!path) return EFI_UNSUPPORTED;
    EFI_STATUS status = uefi_call_wrapper(BS->LocateDevicePath, 3, &binding_guid, &path, &card);
    if (EFI_ERROR(status)) return status;
    status = uefi_call_wrapper(BS->HandleProtocol, 3, card, &binding_guid, (void **)&c->binding);
    if (EFI_ERROR(status)) return status;
    c->child = NULL;
    status = uefi_call_wrapper(c->binding->CreateChild, 2, c->binding, &c->child);
    if (EFI_ERROR(status)) return status;
    status = uefi_call_wrapper(BS->HandleProtocol, 3, c->child, &http_guid, (void **)&c->http);
    if (EFI_ERROR(status)) return status;

    /* Our address is PXE's, or the one HTTP Boot put on our device's path:
     * the card's default address may still be waiting for a DHCP of its
     * own (the firmware says "no mapping" until then). */
    EFI_HTTPv4_ACCESS_POINT ipv4;
    ZeroMem(&ipv4, sizeof ipv4);
    if (net->pxe) {
        CopyMem(&ipv4.LocalAddress, net->pxe->Mode->StationIp.v4.Addr, 4);
        CopyMem(&ipv4.LocalSubnet, net->pxe->Mode->SubnetMask.v4.Addr, 4);
    } else {
        const IPv4_DEVICE_PATH *own = FindIpv4(DevicePathFromHandle(net->device));
        if (own) {
            CopyMem(&ipv4.LocalAddress, &own->LocalIpAddress, 4);
            CopyMem(&ipv4.LocalSubnet, &own->SubnetMask, 4);
        }
    }
    static const UINT8 none[4];
    ipv4.UseDefaultAddress = CompareMem(&ipv4.LocalAddress, none, 4) == 0;
    EFI_HTTP_CONFIG_DATA config;
    ZeroMem(&config, sizeof config);
    config.HttpVersion = HttpVersion11;
    config.TimeOutMillisec = CONNECT_TIMEOUT_MS;
    config.AccessPoint.IPv4Node = &ipv4;
    return uefi_call_wrapper(c->http->Configure, 2, c->http, &config);
}

static void Close(Connection *c) {
    if (c->child) uefi_call_wrapper(c->binding->DestroyChild, 2, c->binding, c->child);
    c->child = NULL;
}

/* One request (send) or response (receive) of `message`, run until it is
 * done, or given up after the stall limit. */
static EFI_STATUS Exchange(Connection *c, BOOLEAN send, EFI_HTTP_MESSAGE *message, EFI_EVENT timer) {
    volatile BOOLEAN done = FALSE;
    EFI_HTTP_TOKEN token = {NULL, EFI_SUCCESS, message};
    EFI_STATUS status = uefi_call_wrapper(BS->CreateEvent, 5, EVT_NOTIFY_SIGNAL, TPL_CALLBACK, SetDone,
                                          (void *)&done, &token.Event);
    if (EFI_ERROR(status)) return status;
    status = send ? uefi_call_wrapper(c->http->Request, 2, c->http, &token)
                  : uefi_call_wrapper(c->http->Response, 2, c->http, &token);
    if (!EFI_ERROR(status)) {
        uefi_call_wrapper(BS->SetTimer, 3, timer, TimerRelative, STALL_LIMIT_100NS);
        while (!done) {
            uefi_call_wrapper(c->http->Poll, 1, c->http);
            if (!done && uefi_call_wrapper(BS->CheckEvent, 1, timer) == EFI_SUCCESS) {
                uefi_call_wrapper(c->http->Cancel, 2, c->http, &token);
                if (!done) break;
            }
        }
        status = done ? token.Status : EFI_TIMEOUT;
    }
    uefi_call_wrapper(BS->CloseEvent, 1, token.Event);
    return status;
}

/* The length the headers give, and whether the body is chunked; the
 * headers are the firmware's to give and ours to free. */
static BOOLEAN TakeLength(EFI_HTTP_MESSAGE *m, UINT64 *length) {
    BOOLEAN known = FALSE, chunked = FALSE;
    for (UINTN i = 0; i < m->HeaderCount; ++i) {
        EFI_HTTP_HEADER *h = &m->Headers[i];
        if (h->FieldName && h->FieldValue) {
            if (HeaderNameIs(h->FieldName, "Content-Length")) known = ParseContentLength(h->FieldValue, length);
            if (HeaderNameIs(h->FieldName, "Transfer-Encoding")) chunked = TRUE;
        }
        if (h->FieldName) FreePool(h->FieldName);
        if (h->FieldValue) FreePool(h->FieldValue);
    }
    if (m->Headers) FreePool(m->Headers);
    m->Headers = NULL;
    m->HeaderCount = 0;
    return known && !chunked;
}

static const CHAR16 *StatusMessage(EFI_HTTP_STATUS_CODE code) {
    static const UINT16 numbers[] = {EFI_HTTP_STATUS_NUMBERS};
    UINTN number = code < sizeof numbers / sizeof numbers[0] ? numbers[code] : 0;
    if (number == 404)
        return L"Error: the web server does not have this file (HTTP 404).";
    if (number >= 300 && number < 400)
        SPrint(status_message, sizeof status_message,
               L"Error: HTTP %d (redirect) for this file: redirects are not followed.", number);
    else if (number)
        SPrint(status_message, sizeof status_message, L"Error: the web server refused this file (HTTP %d).", number);
    else
        return L"Error: the web server gave an answer that is not HTTP.";
    return status_message;
}

/* The Host header: the address's authority, between "//" and the next slash. */
static void HostOf(const CHAR16 *address, CHAR8 *host, UINTN size) {
    const CHAR16 *at = address;
    while (*at && !(at[0] == '/' && at[1] == '/')) ++at;
    if (*at) at += 2;
    UINTN n = 0;
    for (; *at && *at != '/' && n + 1 < size; ++at) host[n++] = (CHAR8)*at;
    host[n] = 0;
}

/* Sends the request and takes the answer's head; the length when it is 200. */
static EFI_STATUS AskFor(Connection *c, CHAR16 *address, EFI_EVENT timer, UINT64 *length, const CHAR16 **why) {
    CHAR8 host[WEB_BASE_MAX + 1];
    HostOf(address, host, sizeof host);
    EFI_HTTP_HEADER headers[] = {{(CHAR8 *)"Host", host}, {(CHAR8 *)"Accept", (CHAR8 *)"*/*"},
                                 {(CHAR8 *)"User-Agent", (CHAR8 *)"menvolt.efi"}};
    EFI_HTTP_REQUEST_DATA request = {HttpMethodGet, address};
    EFI_HTTP_MESSAGE message;
    ZeroMem(&message, sizeof message);
    message.Data.Request = &request;
    message.HeaderCount = sizeof headers / sizeof headers[0];
    message.Headers = headers;
    if (EFI_ERROR(Exchange(c, TRUE, &message, timer))) {
        *why = kNoConnection;
        return EFI_NO_RESPONSE;
    }

    EFI_HTTP_RESPONSE_DATA response = {0};
    ZeroMem(&message, sizeof message);
    message.Data.Response = &response;
    EFI_STATUS status = Exchange(c, FALSE, &message, timer);
    BOOLEAN known = TakeLength(&message, length);
    /* The firmware reports every status but 2xx as an HTTP error, with the
     * code filled in. */
    if (status == EFI_HTTP_ERROR || (!EFI_ERROR(status) && response.StatusCode != HTTP_STATUS_200_OK)) {
        *why = StatusMessage(response.StatusCode);
        return response.StatusCode == HTTP_STATUS_404_NOT_FOUND ? EFI_NOT_FOUND : EFI_PROTOCOL_ERROR;
    }
    if (EFI_ERROR(status)) return status;
    if (!known) {
        *why = kNoLength;
        return EFI_PROTOCOL_ERROR;
    }
    return EFI_SUCCESS;
}

/* The body, `length` bytes, into `buffer`, piece by piece. */
static EFI_STATUS ReceiveBody(Connection *c, UINT8 *buffer, UINT64 length, EFI_EVENT timer,
                              BOOLEAN show_progress) {
    UINTN shown = 0;
    UINT64 got = 0;
    while (got < length) {
        EFI_HTTP_MESSAGE message;
        ZeroMem(&message, sizeof message);
        message.Body = buffer + got;
        message.BodyLength = length - got < RECEIVE_PIECE ? (UINTN)(length - got) : RECEIVE_PIECE;
        EFI_STATUS status = Exchange(c, FALSE, &message, timer);
        if (EFI_ERROR(status)) return status;
        if (message.BodyLength == 0 || message.BodyLength > length - got) return EFI_END_OF_FILE;
        got += message.BodyLength;
        if (show_progress) ShowProgress(got, length, &shown);
    }
    return EFI_SUCCESS;
}

EFI_STATUS HttpRead(NetBoot *net, const CHAR8 *name, const FileRead *what, Received *file, const CHAR16 **why) {
    ZeroMem(file, sizeof *file);
    *why = kFailed;
    CHAR16 address[WEB_ADDRESS_MAX + 1];
    if (!WebAddress(net->web_base, name, address, sizeof address / sizeof address[0])) {
        *why = kAddressTooLong;
        return EFI_BAD_BUFFER_SIZE;
    }
    Connection c = {0};
    EFI_EVENT timer;
    EFI_STATUS status = uefi_call_wrapper(BS->CreateEvent, 5, EVT_TIMER, 0, NULL, NULL, &timer);
    if (EFI_ERROR(status)) return status;
    status = Open(net, &c);
    if (EFI_ERROR(status)) {
        *why = kNoConnection;
        status = EFI_NO_RESPONSE;
    }
    UINT64 length = 0;
    if (!EFI_ERROR(status)) status = AskFor(&c, address, timer, &length, why);
    if (!EFI_ERROR(status) && !what->image && length > what->limit) {
        *why = what->too_large;
        status = EFI_BUFFER_TOO_SMALL;
    }
    UINTN pages = 0;
    UINT8 *buffer = NULL;
    if (!EFI_ERROR(status)) {
        buffer = AllocateReceived(length, what->image ? EfiReservedMemoryType : EfiLoaderData, &pages);
        if (!buffer) {
            *why = kTooLarge;
            status = EFI_OUT_OF_RESOURCES;
        }
    }
    if (!EFI_ERROR(status)) {
        status = ReceiveBody(&c, buffer, length, timer, what->image);
        if (EFI_ERROR(status)) *why = kCut;
    }
    Close(&c);
    uefi_call_wrapper(BS->CloseEvent, 1, timer);
    if (EFI_ERROR(status)) {
        if (buffer) uefi_call_wrapper(BS->FreePages, 2, (EFI_PHYSICAL_ADDRESS)(UINTN)buffer, pages);
        return status;
    }
    file->data = buffer;
    file->size = (UINTN)length;
    file->pages = pages;
    file->exact = TRUE;
    return EFI_SUCCESS;
}
