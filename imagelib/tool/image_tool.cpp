// menvolt-image: the image library from the command line, for scripts and
// test set-ups on the installation server.
//   menvolt-image create IMAGE [--capacity MB] [--efi PROGRAM.efi] [--keep-undi] [--keep-base] [--writable] [--force]
//   menvolt-image wrap DISKETTE OUT [--keep-undi] [--keep-base] [--writable] [--force]
//   menvolt-image add IMAGE [--folder FOLDER] [--force] FILE...
//   menvolt-image add IMAGE --efi PROGRAM.efi [--force]
//   menvolt-image mkdir IMAGE FOLDER [--force]
//   menvolt-image list IMAGE [FOLDER]
//   menvolt-image extract IMAGE PATH HOSTFILE
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imagelib/diskette_wrap.h"
#include "imagelib/efi_boot_program.h"
#include "imagelib/image_document.h"
#include "imagelib/image_library.h"

namespace {

int Usage(FILE* out = stderr) {
    std::fprintf(out,
                 "usage: menvolt-image create IMAGE [--capacity MB] [--efi PROGRAM.efi] [--keep-undi] [--keep-base]\n"
                 "                            [--writable] [--force]\n"
                 "       menvolt-image wrap DISKETTE OUT [--keep-undi] [--keep-base] [--writable] [--force]\n"
                 "       menvolt-image add IMAGE [--folder FOLDER] [--force] FILE...\n"
                 "       menvolt-image add IMAGE --efi PROGRAM.efi [--force]\n"
                 "--efi puts an EFI program (PE32+) at \\EFI\\BOOT\\BOOTX64.EFI (x86-64) or BOOTAA64.EFI\n"
                 "(ARM64), by its machine type, where a UEFI PC's firmware starts it; create then\n"
                 "chooses the smallest capacity that holds it\n"
                 "unless --capacity is given. create and wrap write only a new file: any existing\n"
                 "file of that name is replaced only with --force.\n"
                 "       menvolt-image mkdir IMAGE FOLDER [--force]\n"
                 "add and mkdir change an image that has other names (hard links) only with\n"
                 "--force, and then under the name given alone: the other names keep the old image.\n"
                 "       menvolt-image list IMAGE [FOLDER]\n"
                 "       menvolt-image extract IMAGE PATH HOSTFILE\n"
                 "--help or -h shows this; a file of that name goes after \"--\".\n");
    return out == stderr ? 2 : 0;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "menvolt-image: %s\n", message.c_str());
    return 1;
}

int Changed(const imagelib::ChangeResult& result) {
    if (result.ok()) return 0;
    return Fail(result.manyNames ? result.message + " (--force writes it under this name)" : result.message);
}

// Takes "--force" out of the arguments; true when it was there.
bool TakeForce(std::vector<std::string>& args) {
    bool found = false;
    for (auto it = args.begin(); it != args.end();) {
        if (*it == "--force") {
            found = true;
            it = args.erase(it);
        } else {
            ++it;
        }
    }
    return found;
}

bool OpenImage(const std::string& path, imagelib::ImageDocument& doc, bool forChange = false) {
    std::string error;
    if (forChange ? doc.OpenForChange(path, error) : doc.Open(path, error)) return true;
    Fail(error);
    return false;
}

int Create(const std::vector<std::string>& args) {
    if (args.empty()) return Usage();
    ImageCreateRequest r{};
    r.size = sizeof r;
    r.path = args[0].c_str();
    r.fixed = KTIMG_CREATE_FIXED;
    r.options = KTIMG_OPTION_STANDARD;
    bool force = false;  // replace whatever file has that name
    bool capacityGiven = false;
    std::string efi;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--capacity" && i + 1 < args.size()) {
            // Digits only, so "abc" or a value past 32 bits never becomes
            // some other capacity; the library checks which ones it makes.
            const std::string& text = args[++i];
            if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
                return Fail("capacity must be 0 (1.44 MB) or 2, 4, ..., 16 MB");
            r.capacity = static_cast<uint32_t>(std::stoul(text));
            capacityGiven = true;
        } else if (args[i] == "--efi" && i + 1 < args.size()) {
            efi = args[++i];
        } else if (args[i] == "--keep-undi") {
            r.options |= KTIMG_OPTION_KEEP_UNDI;
        } else if (args[i] == "--keep-base") {
            r.options |= KTIMG_OPTION_KEEP_BASE;
        } else if (args[i] == "--writable") {
            r.options |= KTIMG_OPTION_WRITABLE;
        } else if (args[i] == "--force") {
            force = true;
        } else {
            return Usage();
        }
    }
    std::string error;
    std::vector<uint8_t> program;
    if (!efi.empty() && !imagelib::ReadEfiProgram(efi, program, error)) return Fail(error);
    if (!imagelib::CreateImageFile(args[0], r.capacity, r.options, force, error, efi.empty() ? nullptr : &program,
                                   !capacityGiven))
        return Fail(error);
    return 0;
}

// The diskette becomes the volume of an extended image, whose start-up code
// keeps it out of the way of programs that use extended memory.
int Wrap(const std::vector<std::string>& args) {
    if (args.size() < 2) return Usage();
    uint32_t options = KTIMG_OPTION_STANDARD;
    bool force = false;
    for (size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--keep-undi") options |= KTIMG_OPTION_KEEP_UNDI;
        else if (args[i] == "--keep-base") options |= KTIMG_OPTION_KEEP_BASE;
        else if (args[i] == "--writable") options |= KTIMG_OPTION_WRITABLE;
        else if (args[i] == "--force") force = true;
        else return Usage();
    }
    std::string error;
    if (!imagelib::WrapDisketteFile(args[0], args[1], options, force, error))
        return Fail(error + "; nothing was written");
    return 0;
}

int Add(std::vector<std::string> args) {
    const bool force = TakeForce(args);
    if (args.size() < 2) return Usage();
    std::string folder, efi;
    std::vector<std::string> files;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--folder" && i + 1 < args.size()) folder = args[++i];
        else if (args[i] == "--efi" && i + 1 < args.size()) efi = args[++i];
        else files.push_back(args[i]);
    }
    if (!efi.empty() && (!files.empty() || !folder.empty())) return Usage();
    imagelib::ImageDocument doc;
    if (!OpenImage(args[0], doc, true)) return 1;
    doc.AllowManyNames(force);
    if (!efi.empty()) return Changed(doc.AddEfiBootProgram(efi));
    std::vector<std::string> stored;
    auto result = doc.AddHostFiles(folder, files, &stored);
    if (!result.ok()) return Changed(result);
    for (size_t i = 0; i < stored.size(); ++i) std::printf("%s -> %s\n", files[i].c_str(), stored[i].c_str());
    return 0;
}

int MakeDir(std::vector<std::string> args) {
    const bool force = TakeForce(args);
    if (args.size() != 2) return Usage();
    imagelib::ImageDocument doc;
    if (!OpenImage(args[0], doc, true)) return 1;
    doc.AllowManyNames(force);
    return Changed(doc.Apply([&](imagelib::FatVolume& v) { return v.MakeDirectory(args[1]); }));
}

int List(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) return Usage();
    imagelib::ImageDocument doc;
    if (!OpenImage(args[0], doc)) return 1;
    std::vector<imagelib::FatEntryInfo> entries;
    auto err = doc.Volume().List(args.size() == 2 ? args[1] : "", entries);
    if (err != imagelib::FatError::None) return Fail(imagelib::FatErrorText(err));
    for (const auto& e : entries)
        std::printf("%-12s %10s\n", e.name.c_str(), e.isDirectory ? "<DIR>" : std::to_string(e.size).c_str());
    std::printf("%llu bytes free\n", static_cast<unsigned long long>(doc.Volume().FreeBytes()));
    return 0;
}

int Extract(const std::vector<std::string>& args) {
    if (args.size() != 3) return Usage();
    imagelib::ImageDocument doc;
    if (!OpenImage(args[0], doc)) return 1;
    auto result = doc.ExtractFile(args[1], args[2]);
    return result.ok() ? 0 : Fail(result.message);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    // --help and -h before a "--" always ask for help; after it they are names.
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == "--") {
            args.erase(it);
            break;
        }
        if (*it == "--help" || *it == "-h") return Usage(stdout);
    }
    if (command == "--help" || command == "-h") return Usage(stdout);
    if (command == "create") return Create(args);
    if (command == "wrap") return Wrap(args);
    if (command == "add") return Add(args);
    if (command == "mkdir") return MakeDir(args);
    if (command == "list") return List(args);
    if (command == "extract") return Extract(args);
    return Usage();
}
