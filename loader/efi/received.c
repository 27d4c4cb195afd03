/* Memory for received files: pages with slack behind them, the longest
 * run the PC has left, and the end of what a base code that does not say
 * how much came has written. */
#include "loader/efi/menvolt_efi.h"

/* When the next double of a guessed buffer does not fit, the last try
 * takes the longest run of free memory but this much, for what the
 * firmware allocates while the file comes in; a RAM disk gives the pages
 * past its end back straight after. */
#define LEFT_FOR_FIRMWARE (2u << 20)

/* Pages for `bytes` and the slack behind them. An image goes into reserved
 * pages: a RAM disk made in them must stay out of the way of whatever the
 * program on it starts. The loader file, kept while its menu runs, into
 * loader data, which an operating system may take back. */
UINT8 *AllocateReceived(UINT64 bytes, EFI_MEMORY_TYPE type, UINTN *pages) {
    if (bytes > (UINT64)(~(UINTN)0) - RECEIVED_SLACK - EFI_PAGE_SIZE) return NULL;
    *pages = EFI_SIZE_TO_PAGES((UINTN)bytes + RECEIVED_SLACK);
    EFI_PHYSICAL_ADDRESS at;
    if (EFI_ERROR(uefi_call_wrapper(BS->AllocatePages, 4, AllocateAnyPages, type, *pages, &at))) return NULL;
    return (UINT8 *)(UINTN)at;
}

void FreeReceived(Received *file) {
    if (file->data) uefi_call_wrapper(BS->FreePages, 2, (EFI_PHYSICAL_ADDRESS)(UINTN)file->data, file->pages);
    file->data = NULL;
}

/* The longest run of free pages, in bytes. */
static UINT64 LongestFreeRun(void) {
    UINTN entries, key, stride;
    UINT32 version;
    EFI_MEMORY_DESCRIPTOR *map = LibMemoryMap(&entries, &key, &stride, &version);
    if (!map) return 0;
    UINT64 longest = 0, run = 0, end = 0;
    for (UINTN i = 0; i < entries; ++i) {
        const EFI_MEMORY_DESCRIPTOR *d = (const EFI_MEMORY_DESCRIPTOR *)((const UINT8 *)map + i * stride);
        if (d->Type != EfiConventionalMemory) {
            run = 0;
            continue;
        }
        UINT64 bytes = d->NumberOfPages << EFI_PAGE_SHIFT;
        run = run && d->PhysicalStart == end ? run + bytes : bytes;
        end = d->PhysicalStart + bytes;
        if (run > longest) longest = run;
    }
    FreePool(map);
    return longest;
}

/* Capacity for the last try after `too_small` was, or 0 if there is no
 * more room than that. */
UINT64 LastTryCapacity(UINT64 too_small) {
    UINT64 room = LongestFreeRun();
    UINT64 overhead = LEFT_FOR_FIRMWARE + RECEIVED_SLACK + EFI_PAGE_SIZE + 1;
    if (room <= overhead || room - overhead <= too_small) return 0;
    return (room - overhead) & ~(UINT64)EFI_PAGE_MASK;
}

