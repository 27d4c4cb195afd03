/* The few gnu-efi types the pure parts of loader/efi use, for compiling
 * them on the host (fuzz_efi_loader_check, the efi_host_ tests). CHAR16 is
 * the host's wchar_t so that the L"..." messages keep their type. */
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

typedef uint8_t UINT8;
typedef uint16_t UINT16;
typedef uint32_t UINT32;
typedef uint64_t UINT64;
typedef size_t UINTN;
typedef uint8_t BOOLEAN;
typedef uint8_t CHAR8;
typedef wchar_t CHAR16;

#ifndef TRUE
#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)
#endif
