#include "imagelib/image_document.h"

#include "imagelib/atomic_file.h"
#include "imagelib/efi_boot_program.h"
#include "imagelib/image_library.h"

#include <sys/stat.h>

namespace imagelib {
namespace {

std::string BaseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder == "\\" || folder == "/") return name;
    return folder + "\\" + name;
}

}  // namespace

bool ImageDocument::Open(const std::string& hostPath, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadHostFile(hostPath, kMaxImageSize, bytes, error)) return false;
    return Take(std::move(bytes), hostPath, error);
}

bool ImageDocument::Take(std::vector<uint8_t> bytes, const std::string& hostPath, std::string& error) {
    ImageInfo info;
    if (!InspectImage(bytes, info)) {
        error = "The file is not a boot image this program can read: " + hostPath;
        return false;
    }
    m_bytes = std::move(bytes);
    m_info = info;
    if (!m_volume.Mount(m_bytes, m_info.volumeOffset)) {
        m_bytes.clear();
        error = "The file does not hold a FAT12 or FAT16 volume: " + hostPath;
        return false;
    }
    m_path = hostPath;
    return true;
}

bool ImageDocument::OpenForChange(const std::string& hostPath, std::string& error) {
    auto lock = std::make_unique<ImageLock>();
    std::vector<uint8_t> bytes;
    if (!lock->Acquire(hostPath, error) || !lock->Read(kMaxImageSize, bytes, error)) return false;
    if (!Take(std::move(bytes), hostPath, error)) return false;
    m_lock = std::move(lock);
    return true;
}

ChangeResult ImageDocument::Apply(const std::function<FatError(FatVolume&)>& change) {
    ChangeResult result;
    std::vector<uint8_t> work = m_bytes;
    FatVolume volume;
    if (!volume.Mount(work, m_info.volumeOffset) || volume.CheckStructure() != FatError::None) {
        result.fat = FatError::Corrupt;
        result.message = "The image's file system is damaged (cross-linked, looped or lost cluster chains), so "
                         "it is not changed; files that are intact can still be extracted.";
        return result;
    }
    ImageLock ownLock;
    if (!m_lock && !ownLock.Acquire(m_path, result.message)) return result;
    const ImageLock& lock = m_lock ? *m_lock : ownLock;
    if (const uint64_t names = lock.Names(); names > 1 && !m_allowManyNames) {
        result.manyNames = true;
        result.message = m_path + " has " + std::to_string(names) +
                         " names (hard links): the changed image would take this name only and the others would "
                         "keep the old one, so nothing was written";
        return result;
    }
    result.fat = change(volume);
    if (result.fat != FatError::None) {
        result.message = FatErrorText(result.fat);
        return result;
    }
    // The file's times are too coarse to see a quick change in place, so
    // the bytes themselves are compared (a few milliseconds for 16 MB),
    // read through the lock: by the path they could be another file's.
    std::vector<uint8_t> onDisk;
    std::string readError;
    if (!lock.Read(kMaxImageSize, onDisk, readError) || onDisk != m_bytes) {
        result.message = "The image file was changed or removed by another program since it was opened; "
                         "nothing was written. Close the viewer and open the image again.";
        return result;
    }
    // Only the file the lock is on is replaced, in the folder the lock
    // holds, never one a swapped link or folder leads to by now.
    if (!lock.Replace(work, result.message)) return result;
    m_bytes = std::move(work);
    m_volume.Mount(m_bytes, m_info.volumeOffset);
    return result;
}

ChangeResult ImageDocument::AddHostFiles(const std::string& folder, const std::vector<std::string>& hostFiles,
                                         std::vector<std::string>* stored) {
    // Read everything first: a file that cannot be read stops the whole
    // change before the image is touched.
    std::vector<std::vector<uint8_t>> contents(hostFiles.size());
    for (size_t i = 0; i < hostFiles.size(); ++i) {
        std::string error;
        if (!ReadHostFile(hostFiles[i], kMaxImageSize, contents[i], error)) return ChangeResult{FatError::None, error};
    }
    std::vector<std::string> names;
    ChangeResult result = Apply([&](FatVolume& volume) {
        names.clear();
        std::vector<FatEntryInfo> present;
        FatError err = volume.List(folder, present);
        if (err != FatError::None) return err;
        for (size_t i = 0; i < hostFiles.size(); ++i) {
            const std::string host = BaseName(hostFiles[i]);
            // A file whose name is already a short name replaces the one of
            // that name; any other name gets a fresh short name.
            ShortName exact;
            std::string name;
            if (ParseShortName(host, exact)) {
                name = FormatShortName(exact);
            } else {
                name = MapToShortName(host, [&](const std::string& candidate) {
                    for (const auto& e : present)
                        if (e.name == candidate) return true;
                    for (const auto& n : names)
                        if (n == candidate) return true;
                    return false;
                });
            }
            FatEntryInfo existing;
            if (volume.Stat(Join(folder, name), existing) == FatError::None && existing.isDirectory)
                return FatError::IsADirectory;
            err = volume.WriteFile(Join(folder, name), contents[i].data(), contents[i].size(), true);
            if (err != FatError::None) return err;
            names.push_back(name);
            present.push_back(FatEntryInfo{name, false, 0, 0, 0});
        }
        return FatError::None;
    });
    if (result.ok() && stored) *stored = names;
    return result;
}

ChangeResult ImageDocument::ExtractFile(const std::string& imagePath, const std::string& hostPath) const {
    ChangeResult result;
    std::vector<uint8_t> data;
    result.fat = m_volume.ReadFile(imagePath, data);
    if (result.fat != FatError::None) {
        result.message = FatErrorText(result.fat);
        return result;
    }
    std::string error;
    if (!ReplaceFileAtomically(hostPath, data.data(), data.size(), error)) result.message = error;
    return result;
}

ChangeResult ImageDocument::AddEfiBootProgram(const std::string& hostFile) {
    std::vector<uint8_t> program;
    std::string error;
    if (!ReadEfiProgram(hostFile, program, error)) return ChangeResult{FatError::None, error};
    return AddEfiBootProgram(program);
}

ChangeResult ImageDocument::AddEfiBootProgram(const std::vector<uint8_t>& program) {
    return Apply([&](FatVolume& volume) { return PutEfiBootProgram(volume, program); });
}

bool CreateImageFile(const std::string& hostPath, uint32_t capacityMegabytes, uint32_t options, bool replaceExisting,
                     std::string& error, const std::vector<uint8_t>* efiProgram, bool fitCapacity) {
    // Base code cannot stay without the driver under it.
    if (!(options & KTIMG_OPTION_KEEP_UNDI)) options &= ~KTIMG_OPTION_KEEP_BASE;
    std::vector<uint8_t> bytes;
    if (efiProgram) {
        if (!BuildEfiImage(*efiProgram, capacityMegabytes, fitCapacity, options, bytes, error)) return false;
    } else if (!BuildImage(capacityMegabytes, options, bytes)) {
        error = "capacity must be 0 (1.44 MB) or 2, 4, ..., 16 MB";
        return false;
    }
    if (!replaceExisting) return CreateNewFile(hostPath, bytes.data(), bytes.size(), error);
    struct stat st {};
    if (stat(hostPath.c_str(), &st) != 0) return ReplaceFileAtomically(hostPath, bytes.data(), bytes.size(), error);
    ImageLock lock;
    return lock.Acquire(hostPath, error) && lock.Replace(bytes, error);
}

}  // namespace imagelib
