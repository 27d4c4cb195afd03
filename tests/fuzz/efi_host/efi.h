/* The few gnu-efi types loader/efi/loader_check.c uses, for compiling it on
 * the host (fuzz_efi_loader_check). CHAR16 is the host's wchar_t so that the
 * L"..." messages keep their type; the fuzzer only tests them for NULL. */
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

typedef uint8_t UINT8;
typedef uint16_t UINT16;
typedef size_t UINTN;
typedef uint8_t BOOLEAN;
typedef wchar_t CHAR16;

#ifndef TRUE
#define TRUE ((BOOLEAN)1)
#define FALSE ((BOOLEAN)0)
#endif
