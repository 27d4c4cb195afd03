/* The DHCP options of a BOOTP reply (RFC 2132), read over the packet's
 * bytes alone so that the walk can be tried on the host. */
#pragma once
#include <efi.h>

#define DHCP_OPTION_SERVER_ID 54
#define DHCP_OPTION_BOOT_FILE 67

/* The data of option `code` of the `size` bytes of `packet`, its length
 * in *length, or NULL (also when the packet has no DHCP cookie). */
const UINT8 *FindDhcpOption(const UINT8 *packet, UINTN size, UINT8 code, UINTN *length);
