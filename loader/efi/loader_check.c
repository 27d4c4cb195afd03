#include "loader/efi/loader_check.h"

#include "loader/efi/efi_layout.h"
#include "loader/efi/little_endian.h"

static const UINT8 kSignature[LDR_SIGNATURE_SIZE] = {'Q', 'V', 'L', 'R', 'I', 'S'};

static BOOLEAN StringEndsInside(const UINT8 *data, UINTN size, UINTN at, UINTN *next) {
    for (UINTN i = at; i < size; ++i) {
        if (data[i] == 0) {
            *next = i + 1;
            return TRUE;
        }
    }
    return FALSE;
}

const CHAR16 *CheckLoaderFile(const UINT8 *data, UINTN size) {
    if (size > LDR_MAX_SIZE) return L"Error: the loader file is larger than 8192 bytes.";
    /* The length word (0Ah) is the last of the fixed fields read before the
     * header: a file that holds it holds the signature and header pointer. */
    if (size < LDR_LENGTH + 2) return L"Error: the loader file is too short.";
    for (UINTN i = 0; i < LDR_SIGNATURE_SIZE; ++i)
        if (data[LDR_SIGNATURE + i] != kSignature[i]) return L"Error: this is not a loader file.";
    if (ReadLe16(data + LDR_LENGTH) != size)
        return L"Error: the loader file's length word does not match its size.";

    UINTN header = ReadLe16(data + LDR_HEADER_PTR);
    /* The header lies behind the template's program area and wholly inside
     * the file, so every header field below is a byte of this file. */
    if (header < LDR_HEADER || header + LDR_HEADER_SIZE > size)
        return L"Error: the loader file's header lies outside the file.";
    if (ReadLe16(data + header + HDR_VERSION) > LDR_FORMAT_VERSION)
        return L"Error: the loader file was made by a newer version.";
    if (ReadLe16(data + header + HDR_ITEM_COUNT) > LDR_SLOT_COUNT)
        return L"Error: the loader file names more than eight items.";

    /* The 26 strings follow the header and each other without gaps, each
     * ending with a NUL inside the file. */
    UINTN at = ReadLe16(data + header + HDR_TITLE);
    if (at < header + LDR_HEADER_SIZE) return L"Error: the loader file's strings overlap its header.";
    for (UINTN field = HDR_TITLE; field < LDR_HEADER_SIZE; field += 2) {
        if (ReadLe16(data + header + field) != at || !StringEndsInside(data, size, at, &at))
            return L"Error: the loader file's strings are damaged.";
    }

    UINT8 sum = 0;
    for (UINTN i = 0; i < size; ++i) sum = (UINT8)(sum + data[i]);
    if (sum != 0) return L"Error: bad data checksum in the loader file.";
    return NULL;
}
