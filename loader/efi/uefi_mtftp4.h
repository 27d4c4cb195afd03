/* The EFI MTFTPv4 protocol (UEFI specification, "EFI MTFTPv4 Protocol"),
 * which gnu-efi does not declare. Names and layouts are the standard's;
 * only what this program calls is spelled out, the rest are placeholders
 * of the right size. */
#pragma once
#include <efi.h>

#define EFI_MTFTP4_SERVICE_BINDING_PROTOCOL_GUID \
    {0x2fe800be, 0x8f01, 0x4aa6, {0x94, 0x6b, 0xd7, 0x13, 0x88, 0xe1, 0x83, 0x3f}}
#define EFI_MTFTP4_PROTOCOL_GUID \
    {0x78247c57, 0x63db, 0x4708, {0x99, 0xc2, 0xa8, 0xb4, 0xa9, 0xa6, 0x1f, 0x6b}}

typedef struct {
    BOOLEAN UseDefaultSetting;
    EFI_IPv4_ADDRESS StationIp;
    EFI_IPv4_ADDRESS SubnetMask;
    UINT16 LocalPort;
    EFI_IPv4_ADDRESS GatewayIp;
    EFI_IPv4_ADDRESS ServerIp;
    UINT16 InitialServerPort;
    UINT16 TryCount;
    UINT16 TimeoutValue;
} EFI_MTFTP4_CONFIG_DATA;

typedef struct {
    UINT8 *OptionStr;
    UINT8 *ValueStr;
} EFI_MTFTP4_OPTION;

/* A packet as it came off the wire: the opcode first, in network order. */
typedef struct {
    UINT16 OpCode;
    UINT16 Block;
    UINT8 Data[1];
} EFI_MTFTP4_PACKET;

typedef struct _EFI_MTFTP4_PROTOCOL EFI_MTFTP4_PROTOCOL;
typedef struct _EFI_MTFTP4_TOKEN EFI_MTFTP4_TOKEN;

typedef EFI_STATUS(EFIAPI *EFI_MTFTP4_CHECK_PACKET)(EFI_MTFTP4_PROTOCOL *This, EFI_MTFTP4_TOKEN *Token,
                                                    UINT16 PacketLen, EFI_MTFTP4_PACKET *Packet);

struct _EFI_MTFTP4_TOKEN {
    EFI_STATUS Status;
    EFI_EVENT Event;
    void *OverrideData;
    UINT8 *Filename;
    UINT8 *ModeStr;
    UINT32 OptionCount;
    EFI_MTFTP4_OPTION *OptionList;
    UINT64 BufferSize;
    void *Buffer;
    void *Context;
    EFI_MTFTP4_CHECK_PACKET CheckPacket;
    void *TimeoutCallback;
    void *PacketNeeded;
};

struct _EFI_MTFTP4_PROTOCOL {
    void *GetModeData;
    EFI_STATUS(EFIAPI *Configure)(EFI_MTFTP4_PROTOCOL *This, EFI_MTFTP4_CONFIG_DATA *MtftpConfigData);
    void *GetInfo;
    void *ParseOptions;
    EFI_STATUS(EFIAPI *ReadFile)(EFI_MTFTP4_PROTOCOL *This, EFI_MTFTP4_TOKEN *Token);
    void *WriteFile;
    void *ReadDirectory;
    EFI_STATUS(EFIAPI *Poll)(EFI_MTFTP4_PROTOCOL *This);
};
