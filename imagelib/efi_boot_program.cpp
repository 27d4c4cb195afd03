#include "imagelib/efi_boot_program.h"

#include "common/efi_program.h"
#include "imagelib/atomic_file.h"
#include "imagelib/image_document.h"
#include "imagelib/image_format.h"

namespace imagelib {

bool ReadEfiProgram(const std::string& hostPath, std::vector<uint8_t>& program, std::string& error) {
    if (!ReadHostFile(hostPath, ImageDocument::kMaxImageSize, program, error)) return false;
    std::string problem;
    if (common::EfiProgramMachine(common::ReadPeFacts(program.data(), program.size()), &problem)) return true;
    error = hostPath + " is not an EFI program for x86-64 or ARM64 PCs: " + problem;
    return false;
}

const char* EfiBootProgramPath(const std::vector<uint8_t>& program) {
    const common::PeFacts pe = common::ReadPeFacts(program.data(), program.size());
    return common::EfiProgramMachine(pe) == common::kMachineArm64 ? kEfiBootProgramArm64 : kEfiBootProgram;
}

FatError PutEfiBootProgram(FatVolume& volume, const std::vector<uint8_t>& program) {
    FatEntryInfo info;
    for (const char* folder : {"EFI", kEfiBootFolder}) {
        FatError err = volume.Stat(folder, info);
        if (err == FatError::NotFound) err = volume.MakeDirectory(folder);
        else if (err == FatError::None && !info.isDirectory) err = FatError::NotADirectory;
        if (err != FatError::None) return err;
    }
    const char* path = EfiBootProgramPath(program);
    if (volume.Stat(path, info) == FatError::None && info.isDirectory) return FatError::IsADirectory;
    return volume.WriteFile(path, program.data(), program.size(), true);
}

bool BuildEfiImage(const std::vector<uint8_t>& program, uint32_t capacity, bool fitCapacity, uint32_t options,
                   std::vector<uint8_t>& out, std::string& error) {
    std::vector<uint32_t> capacities = {capacity};
    if (fitCapacity) {
        capacities = {0};
        for (uint32_t mb = 2; mb <= kMaxExtendedMegabytes; mb += 2) capacities.push_back(mb);
    }
    for (uint32_t mb : capacities) {
        ImageInfo info;
        FatVolume volume;
        if (!BuildImage(mb, options, out) || !InspectImage(out, info) || !volume.Mount(out, info.volumeOffset)) {
            error = "capacity must be 0 (1.44 MB) or 2, 4, ..., 16 MB";
            return false;
        }
        const FatError err = PutEfiBootProgram(volume, program);
        if (err == FatError::None) return true;
        if (err != FatError::DiskFull) {
            error = FatErrorText(err);
            return false;
        }
    }
    const std::string size = std::to_string(program.size()) + " bytes";
    error = fitCapacity ? "the EFI program (" + size + ") does not fit even in a 16 MB image"
                        : "the EFI program (" + size + ") does not fit in a " +
                              (capacity ? std::to_string(capacity) + " MB image" : std::string("1.44 MB diskette")) +
                              "; give a larger --capacity, or none to have one chosen that fits";
    return false;
}

}  // namespace imagelib
