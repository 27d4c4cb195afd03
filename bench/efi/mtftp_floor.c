/* The floor and the clock of the UEFI transfer benchmark. Booted from the
 * network (the lead) it times, by the TSC, the firmware's own MTFTP read of
 * the 16 MB file, the least any network boot program can take, and
 * menvolt.efi reading and starting that same file. The file is this program
 * padded to 16 MB: started by menvolt.efi it finds the lead's clock
 * protocol, notes the TSC at its entry and returns at once.
 *
 * The lead reads its own boot file name from the DHCP reply: a name with
 * "ours-first" in it runs menvolt.efi before the floor (the bench alternates
 * the order). Menvolt.efi is started as the firmware would start it (from
 * memory, on our network device), so it reads NAME.ldr for our NAME.efi.
 * Serial output: "FLOOR us=N bytes=N", "OURS us=N", then "BENCH-DONE" and
 * the machine powers off; "BENCH-ERROR ..." on any failure. */
#include <efi.h>
#include <efilib.h>

#define IMAGE_NAME "bench16m.efi"
#define MENVOLT_NAME "menvolt.efi"
#define BLOCK_SIZE 1432          /* what menvolt.efi asks for */
#define FLOOR_BUFFER (32u << 20) /* larger than the file: the read needs no size first */
#define CALIBRATION_US 200000

typedef struct {
    UINT64 image_entered; /* TSC when the image menvolt.efi started began to run */
} BenchClock;

static EFI_GUID kClockGuid = {0x5d7f0c2e, 0x1b3a, 0x4c61, {0x9a, 0x55, 0x3e, 0x21, 0x7c, 0x08, 0xd4, 0x6b}};

static UINT64 Tsc(void) {
    UINT32 low, high;
    __asm__ volatile("rdtsc" : "=a"(low), "=d"(high));
    return ((UINT64)high << 32) | low;
}

static EFI_PXE_BASE_CODE_PROTOCOL *pxe;
static EFI_IP_ADDRESS server;
static UINT64 ticks_per_ms;

static EFI_STATUS Read(EFI_PXE_BASE_CODE_TFTP_OPCODE op, void *buffer, UINT64 *size, const char *name) {
    UINTN block = BLOCK_SIZE;
    return uefi_call_wrapper(pxe->Mtftp, 10, pxe, op, buffer, FALSE, size, &block, &server, (UINT8 *)name, NULL,
                             FALSE);
}

static UINT64 Microseconds(UINT64 ticks) { return ticks * 1000 / ticks_per_ms; }

static BOOLEAN Floor(void) {
    void *buffer = AllocatePool(FLOOR_BUFFER);
    if (!buffer) return FALSE;
    UINT64 size = FLOOR_BUFFER;
    UINT64 start = Tsc();
    EFI_STATUS status = Read(EFI_PXE_BASE_CODE_TFTP_READ_FILE, buffer, &size, IMAGE_NAME);
    UINT64 end = Tsc();
    FreePool(buffer);
    if (EFI_ERROR(status)) {
        Print(L"BENCH-ERROR floor read: %r\r\n", status);
        return FALSE;
    }
    Print(L"FLOOR us=%lu bytes=%lu\r\n", Microseconds(end - start), size);
    return TRUE;
}

/* Menvolt.efi reads NAME.ldr (one item: the 16 MB file) and starts the
 * file, whose entry notes the time in our clock protocol. */
static BOOLEAN Ours(EFI_HANDLE self, EFI_LOADED_IMAGE *loaded) {
    UINT64 size = 0;
    if (EFI_ERROR(Read(EFI_PXE_BASE_CODE_TFTP_GET_FILE_SIZE, NULL, &size, MENVOLT_NAME))) return FALSE;
    void *program = AllocatePool(size);
    if (!program || EFI_ERROR(Read(EFI_PXE_BASE_CODE_TFTP_READ_FILE, program, &size, MENVOLT_NAME))) return FALSE;
    EFI_DEVICE_PATH *path = FileDevicePath(loaded->DeviceHandle, L"" MENVOLT_NAME);
    EFI_HANDLE child = NULL;
    EFI_STATUS status = uefi_call_wrapper(BS->LoadImage, 6, FALSE, self, path, program, size, &child);
    FreePool(program);
    if (EFI_ERROR(status)) {
        Print(L"BENCH-ERROR loading menvolt.efi: %r\r\n", status);
        return FALSE;
    }
    BenchClock clock = {0};
    EFI_HANDLE handle = NULL;
    uefi_call_wrapper(BS->InstallProtocolInterface, 4, &handle, &kClockGuid, EFI_NATIVE_INTERFACE, &clock);
    UINT64 start = Tsc();
    status = uefi_call_wrapper(BS->StartImage, 3, child, NULL, NULL);
    uefi_call_wrapper(BS->UninstallProtocolInterface, 3, handle, &kClockGuid, &clock);
    if (!clock.image_entered) {
        Print(L"BENCH-ERROR menvolt.efi did not start the image: %r\r\n", status);
        return FALSE;
    }
    Print(L"OURS us=%lu\r\n", Microseconds(clock.image_entered - start));
    return TRUE;
}

static BOOLEAN OursFirst(void) {
    const UINT8 *name = pxe->Mode->DhcpAck.Dhcpv4.BootpBootFile;
    for (UINTN i = 0; name[i] && i < 120; ++i)
        if (CompareMem(name + i, "ours-first", 10) == 0) return TRUE;
    return FALSE;
}

EFI_STATUS efi_main(EFI_HANDLE image, EFI_SYSTEM_TABLE *system) {
    UINT64 entered = Tsc();
    InitializeLib(image, system);
    BenchClock *clock = NULL;
    if (!EFI_ERROR(uefi_call_wrapper(BS->LocateProtocol, 3, &kClockGuid, NULL, (void **)&clock))) {
        clock->image_entered = entered; /* started by menvolt.efi */
        return EFI_SUCCESS;
    }

    EFI_LOADED_IMAGE *loaded = NULL;
    uefi_call_wrapper(BS->HandleProtocol, 3, image, &LoadedImageProtocol, (void **)&loaded);
    if (EFI_ERROR(uefi_call_wrapper(BS->HandleProtocol, 3, loaded->DeviceHandle, &PxeBaseCodeProtocol,
                                    (void **)&pxe))) {
        Print(L"BENCH-ERROR no PXE base code\r\n");
        return EFI_NOT_FOUND;
    }
    CopyMem(server.v4.Addr, pxe->Mode->DhcpAck.Dhcpv4.BootpSiAddr, 4);
    UINT64 before = Tsc();
    uefi_call_wrapper(BS->Stall, 1, CALIBRATION_US);
    ticks_per_ms = (Tsc() - before) * 1000 / CALIBRATION_US;

    BOOLEAN ok = OursFirst() ? Ours(image, loaded) && Floor() : Floor() && Ours(image, loaded);
    Print(ok ? L"BENCH-DONE\r\n" : L"BENCH-ERROR\r\n");
    uefi_call_wrapper(RT->ResetSystem, 4, EfiResetShutdown, EFI_SUCCESS, 0, NULL);
    return EFI_SUCCESS;
}
