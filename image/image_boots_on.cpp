#include "image/image_boots_on.h"

#include <cstdint>
#include <vector>

#include "common/boot_image.h"
#include "common/efi_program.h"
#include "loader/layout.h"
#include "platform/file_system.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// Random reads of the image file for the shared rule; a read past its end
// gives nothing.
class ImageReader {
public:
    platform::FileError Open(const std::string& windowsPath) {
        platform::FileError e = m_file.Open(windowsPath, platform::ExclusiveFile::Mode::OpenForReading);
        if (e == platform::FileError::None) m_size = m_file.Size() < 0 ? 0 : static_cast<uint64_t>(m_file.Size());
        return e;
    }
    BootImageSource Source() { return BootImageSource{&ImageReader::ReadAt, this, m_size, layout::SMALL_PROGRAM_MAX}; }

private:
    static int ReadAt(void* context, uint64_t offset, void* out, size_t size) {
        auto* self = static_cast<ImageReader*>(context);
        size_t got = 0;
        return self->m_file.ReadAt(offset, out, size, got) && got == size;
    }

    platform::ExclusiveFile m_file;
    uint64_t m_size = 0;
};

// A UEFI boot program is read whole to judge it and find its signature;
// larger ones are taken for what their name or headers say.
constexpr size_t kProgramMax = size_t{64} << 20;

// One program a UEFI PC would start, for `machine`: counted only when the
// firmware would start it (a stub of headers, a console program are not),
// then signed or not.
bool JudgeProgram(const std::vector<uint8_t>& program, uint16_t machine, ImageBoots& boots) {
    const common::PeFacts pe = common::ReadPeFacts(program.data(), program.size());
    if (!common::EfiApplicationProblem(pe, machine).empty()) return false;
    if (!pe.signedTable) boots.uefiSigned = ImageBoots::Signed::No;
    else if (boots.uefiSigned == ImageBoots::Signed::Unknown) boots.uefiSigned = ImageBoots::Signed::Yes;
    return true;
}

void Count(unsigned cpu, ImageBoots& boots) {
    (cpu == BOOT_CPU_AA64 ? boots.uefiArm64 : boots.uefiX64) = true;
}

}  // namespace

ImageBoots ImageBootsOn(const std::string& windowsPath) {
    ImageBoots boots;
    ImageReader reader;
    switch (reader.Open(windowsPath)) {
        case platform::FileError::None: break;
        case platform::FileError::FileNotFound:
        case platform::FileError::BadPath: boots.read = ImageBoots::Read::Missing; return boots;
        default: boots.read = ImageBoots::Read::Unreadable; return boots;
    }
    const BootImageSource source = reader.Source();
    BootImage image;
    ReadBootImage(&source, &image);
    boots.bios = image.bios;
    std::vector<uint8_t> program;
    if (image.kind == BOOT_IMAGE_PROGRAM) {
        const unsigned cpu = BootMachineCpu(image.pe_machine);
        if (!cpu) return boots;
        if (source.size > kProgramMax) {
            Count(cpu, boots);  // too large to judge: taken for what it says
            return boots;
        }
        program.resize(static_cast<size_t>(source.size));
        if (source.read(source.context, 0, program.data(), program.size()) &&
            JudgeProgram(program, image.pe_machine, boots))
            Count(cpu, boots);
        return boots;
    }
    if (image.damage != BOOT_DAMAGE_NONE) return boots;
    for (unsigned cpu : {unsigned{BOOT_CPU_X64}, unsigned{BOOT_CPU_AA64}}) {
        if (!(image.uefi_programs & cpu)) continue;
        const size_t size = image.program[cpu == BOOT_CPU_AA64 ? 1 : 0].size;
        if (size > kProgramMax) {
            Count(cpu, boots);
            continue;
        }
        program.resize(size);
        if (ReadBootProgram(&source, &image, cpu, program.data(), program.size()) &&
            JudgeProgram(program, BootCpuMachine(cpu), boots))
            Count(cpu, boots);
    }
    if (!boots.Uefi()) boots.uefiSigned = ImageBoots::Signed::Unknown;
    return boots;
}

ImageBoots ItemBootsOn(const std::string& folder, const std::string& image) {
    if (image.empty()) return ImageBoots{ImageBoots::Read::Done, true, true, true};
    return ImageBootsOn(folder + image);
}

std::string BootsOnText(const ImageBoots& boots) {
    // By BIOS, x86-64 and ARM64 as bits 1, 2 and 4.
    static const unsigned kText[8] = {
        res::IDS_BOOTS_NEITHER,   res::IDS_BOOTS_BIOS,        res::IDS_BOOTS_UEFI,          res::IDS_BOOTS_BIOS_AND_UEFI,
        res::IDS_BOOTS_UEFI_ARM64, res::IDS_BOOTS_BIOS_AND_ARM64, res::IDS_BOOTS_UEFI_BOTH, res::IDS_BOOTS_ALL};
    if (boots.read == ImageBoots::Read::Missing) return res::LoadString(res::IDS_BOOTS_MISSING);
    if (boots.read == ImageBoots::Read::Unreadable) return res::LoadString(res::IDS_BOOTS_UNKNOWN);
    return res::LoadString(kText[(boots.bios ? 1 : 0) | (boots.uefiX64 ? 2 : 0) | (boots.uefiArm64 ? 4 : 0)]);
}

std::string BootsOnDetail(const ImageBoots& boots) {
    std::string text = BootsOnText(boots);
    if (boots.read == ImageBoots::Read::Done && boots.Uefi() && boots.uefiSigned != ImageBoots::Signed::Unknown)
        text += res::LoadString(boots.uefiSigned == ImageBoots::Signed::Yes ? res::IDS_BOOTS_UEFI_SIGNED
                                                                           : res::IDS_BOOTS_UEFI_UNSIGNED);
    return text;
}
