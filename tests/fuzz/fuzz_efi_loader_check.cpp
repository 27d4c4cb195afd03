// Fuzzes the UEFI program's loader check (loader/efi/loader_check.c, built
// for the host): any bytes as a loader file read by TFTP. The check must
// never read outside the buffer (ASan sees the exact-size input), and every
// file it lets the menu show must be one the editor opens as well, so that
// the two readers of layout.def never drift apart in the loose direction.
#include <cstdint>
#include <cstdlib>

#include "loader/loader_file.h"

extern "C" {
#include "loader/efi/loader_check.h"
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (CheckLoaderFile(data, size) != nullptr) return 0;
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + data[i]);
    if (CheckLoaderStructure(data, size) != 0 || sum != 0) abort();
    return 0;
}
