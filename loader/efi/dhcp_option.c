#include "loader/efi/dhcp_option.h"

#define DHCP_COOKIE_AT 236
#define DHCP_OPTIONS_AT 240
#define OPTION_PAD 0
#define OPTION_END 255

/* Pads are one byte, the end option stops the walk; an option whose data
 * would run past the packet ends it too, found or not. */
const UINT8 *FindDhcpOption(const UINT8 *packet, UINTN size, UINT8 code, UINTN *length) {
    static const UINT8 cookie[4] = {99, 130, 83, 99};
    if (size < DHCP_OPTIONS_AT) return NULL;
    for (UINTN i = 0; i < sizeof cookie; ++i)
        if (packet[DHCP_COOKIE_AT + i] != cookie[i]) return NULL;
    UINTN at = DHCP_OPTIONS_AT;
    while (at + 1 < size && packet[at] != OPTION_END) {
        if (packet[at] == OPTION_PAD) {
            ++at;
            continue;
        }
        UINTN data_length = packet[at + 1];
        if (at + 2 + data_length > size) return NULL;
        if (packet[at] == code) {
            *length = data_length;
            return packet + at + 2;
        }
        at += 2 + data_length;
    }
    return NULL;
}
