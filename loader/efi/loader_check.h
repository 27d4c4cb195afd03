/* Checks a loader file read from the server before any of its offsets is
 * used, with the same rules the editor applies when it opens one. */
#pragma once
#include <efi.h>

/* NULL when the file can be shown, else the message that says why not. */
const CHAR16 *CheckLoaderFile(const UINT8 *data, UINTN size);
