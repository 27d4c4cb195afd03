/* The web setting file (NAME.url): the web server a site that starts us
 * by PXE has us read from. Over bytes alone, so that the rule can be tried
 * on the host. */
#pragma once
#include <efi.h>

/* The first line of the `size` bytes of `text`, without blanks around it,
 * into `base` when it is a web address this program can use: "http://"
 * or "https://" and more, printable ASCII without spaces; a folder without
 * its closing slash gets one. FALSE when it is not, or does not fit in
 * `base_size` characters with its NUL. */
BOOLEAN ParseWebSetting(const UINT8 *text, UINTN size, CHAR16 *base, UINTN base_size);
