/* The EFI HTTP protocol (UEFI specification 2.5 and later, "EFI HTTP
 * Protocol"), which gnu-efi does not declare. Names and layouts are the
 * standard's; only what this program calls is spelled out. */
#pragma once
#include <efi.h>

#define EFI_HTTP_SERVICE_BINDING_PROTOCOL_GUID \
    {0xbdc8e6af, 0xd9bc, 0x4379, {0xa7, 0x2a, 0xe0, 0xc4, 0xe7, 0x5d, 0xae, 0x1c}}
#define EFI_HTTP_PROTOCOL_GUID \
    {0x7a59b29b, 0x910b, 0x4171, {0x82, 0x42, 0xa8, 0x5a, 0x0d, 0xf2, 0x5b, 0x5b}}

/* The status the protocol gives for an answer other than 2xx (UEFI 2.5). */
#ifndef EFI_HTTP_ERROR
#define EFI_HTTP_ERROR EFIERR(35)
#endif

typedef enum { HttpVersion10, HttpVersion11, HttpVersionUnsupported } EFI_HTTP_VERSION;
typedef enum { HttpMethodGet, HttpMethodPost, HttpMethodPatch, HttpMethodOptions, HttpMethodConnect,
               HttpMethodHead, HttpMethodPut, HttpMethodDelete, HttpMethodTrace, HttpMethodMax } EFI_HTTP_METHOD;

/* The status codes are an enumeration, not the numbers on the wire: this
 * table gives each its number, in the standard's order. */
#define EFI_HTTP_STATUS_NUMBERS                                                                     \
    0, 100, 101, 200, 201, 202, 203, 204, 205, 206, 300, 301, 302, 303, 304, 305, 307, 400, 401, 402, \
        403, 404, 405, 406, 407, 408, 409, 410, 411, 412, 413, 414, 415, 416, 417, 500, 501, 502, 503, \
        504, 505, 308, 429
#define HTTP_STATUS_200_OK 3
#define HTTP_STATUS_404_NOT_FOUND 21
typedef UINT32 EFI_HTTP_STATUS_CODE;

typedef struct {
    BOOLEAN UseDefaultAddress;
    EFI_IPv4_ADDRESS LocalAddress;
    EFI_IPv4_ADDRESS LocalSubnet;
    UINT16 LocalPort;
} EFI_HTTPv4_ACCESS_POINT;

typedef struct {
    EFI_HTTP_VERSION HttpVersion;
    UINT32 TimeOutMillisec;
    BOOLEAN LocalAddressIsIPv6;
    union {
        EFI_HTTPv4_ACCESS_POINT *IPv4Node;
        void *IPv6Node;
    } AccessPoint;
} EFI_HTTP_CONFIG_DATA;

typedef struct {
    EFI_HTTP_METHOD Method;
    CHAR16 *Url;
} EFI_HTTP_REQUEST_DATA;

typedef struct {
    EFI_HTTP_STATUS_CODE StatusCode;
} EFI_HTTP_RESPONSE_DATA;

typedef struct {
    CHAR8 *FieldName;
    CHAR8 *FieldValue;
} EFI_HTTP_HEADER;

typedef struct {
    union {
        EFI_HTTP_REQUEST_DATA *Request;
        EFI_HTTP_RESPONSE_DATA *Response;
    } Data;
    UINTN HeaderCount;
    EFI_HTTP_HEADER *Headers;
    UINTN BodyLength;
    void *Body;
} EFI_HTTP_MESSAGE;

typedef struct {
    EFI_EVENT Event;
    EFI_STATUS Status;
    EFI_HTTP_MESSAGE *Message;
} EFI_HTTP_TOKEN;

typedef struct _EFI_HTTP_PROTOCOL EFI_HTTP_PROTOCOL;
struct _EFI_HTTP_PROTOCOL {
    EFI_STATUS(EFIAPI *GetModeData)(EFI_HTTP_PROTOCOL *This, EFI_HTTP_CONFIG_DATA *HttpConfigData);
    EFI_STATUS(EFIAPI *Configure)(EFI_HTTP_PROTOCOL *This, EFI_HTTP_CONFIG_DATA *HttpConfigData);
    EFI_STATUS(EFIAPI *Request)(EFI_HTTP_PROTOCOL *This, EFI_HTTP_TOKEN *Token);
    EFI_STATUS(EFIAPI *Cancel)(EFI_HTTP_PROTOCOL *This, EFI_HTTP_TOKEN *Token);
    EFI_STATUS(EFIAPI *Response)(EFI_HTTP_PROTOCOL *This, EFI_HTTP_TOKEN *Token);
    EFI_STATUS(EFIAPI *Poll)(EFI_HTTP_PROTOCOL *This);
};
