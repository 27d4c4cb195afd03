// Fuzzes the boot image rule (common/boot_image.c) and the UEFI program's
// judgement of a received file (loader/efi/disk_image_kind.c) with any bytes:
// nothing read outside the exact-size buffer, and a disk handed to the
// firmware lies inside the file.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/boot_image.h"

extern "C" {
#include "loader/efi/efi_layout.h"
#include "loader/efi/received_image.h"
}

namespace {

int ReadInput(void* context, uint64_t offset, void* out, size_t size) {
    const auto* input = static_cast<const std::vector<uint8_t>*>(context);
    std::copy(input->begin() + static_cast<long>(offset), input->begin() + static_cast<long>(offset + size),
              static_cast<uint8_t*>(out));
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> input(data, data + size);
    const BootImageSource source{ReadInput, &input, size, SMALL_PROGRAM_MAX};
    BootImage image;
    ReadBootImage(&source, &image);
    for (unsigned cpu : {unsigned{BOOT_CPU_X64}, unsigned{BOOT_CPU_AA64}}) {
        std::vector<uint8_t> program(size);
        ReadBootProgram(&source, &image, cpu, program.data(), program.size());
    }
    BootPeFacts pe;
    ReadBootPeFacts(input.data(), input.size(), &pe);
    BootPeProblemFor(&pe, BOOT_PE_MACHINE_X64);
    if (pe.sbat_offset + pe.sbat_size > size || pe.cert_offset + pe.cert_size > size) abort();

    Received file{input.data(), input.size(), 0, TRUE};
    DiskImage disk;
    if (!JudgeReceivedImage(&file, &disk) && disk.kind != DISK_NONE &&
        (disk.offset > size || disk.size > size - disk.offset || disk.size == 0))
        abort();
    return 0;
}
