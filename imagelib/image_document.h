// One boot image file opened for viewing and editing. Every change is made
// on a copy of the image in memory and written back whole and safely; only
// when the file on disk holds the change does the document take it over, so
// a failed change leaves both the file and the document as they were.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/fat_volume.h"
#include "imagelib/image_format.h"
#include "imagelib/image_lock.h"

namespace imagelib {

struct ChangeResult {
    FatError fat = FatError::None;  // what the volume said
    std::string message;            // for the user; empty on success
    bool manyNames = false;         // refused: the image has other names (AllowManyNames)
    bool ok() const { return message.empty(); }
};

class ImageDocument {
public:
    // Largest file accepted: an extended image of 16 MB and its start-up code.
    static constexpr size_t kMaxImageSize = 17u * 1024 * 1024;

    bool Open(const std::string& hostPath, std::string& error);
    // Opens for a change made at once (the command line): the writer's lock
    // is taken first, waiting for another writer a bounded time, and held
    // until the document goes, so no other change comes in between; the
    // image is read through it.
    bool OpenForChange(const std::string& hostPath, std::string& error);
    // An image with more than one name (hard links) is not changed: the
    // new image takes only the name it was opened by and the others keep
    // the old one, so which is which would depend on the name used. With
    // this, it is changed under that name all the same.
    void AllowManyNames(bool allow) { m_allowManyNames = allow; }
    const std::string& Path() const { return m_path; }
    const ImageInfo& Info() const { return m_info; }
    const FatVolume& Volume() const { return m_volume; }

    // Runs `change` on a copy of the volume and writes the result back,
    // holding the writer's lock from the check to the write. When another
    // program has replaced or changed the file since it was read, nothing is
    // written: its changes would otherwise be lost. A damaged volume
    // (cross-linked, looped or lost chains) is not changed at all.
    ChangeResult Apply(const std::function<FatError(FatVolume&)>& change);

    // Copies host files into a folder of the image in one change. Names
    // that are not valid short names are mapped (see MapToShortName);
    // `stored` receives the name each file got, in order.
    ChangeResult AddHostFiles(const std::string& folder, const std::vector<std::string>& hostFiles,
                              std::vector<std::string>* stored = nullptr);
    // Writes a file of the image to a host path (replacing it safely).
    ChangeResult ExtractFile(const std::string& imagePath, const std::string& hostPath) const;
    // Puts a host file, which must be an EFI program for x86-64 or ARM64, at
    // its EfiBootProgramPath in one change (efi_boot_program.h).
    ChangeResult AddEfiBootProgram(const std::string& hostFile);
    ChangeResult AddEfiBootProgram(const std::vector<uint8_t>& program);

private:
    std::string m_path;
    std::vector<uint8_t> m_bytes;
    ImageInfo m_info;
    FatVolume m_volume;
    std::unique_ptr<ImageLock> m_lock;  // held from OpenForChange on
    bool m_allowManyNames = false;

    bool Take(std::vector<uint8_t> bytes, const std::string& hostPath, std::string& error);
};

// Writes a new, empty image of `capacityMegabytes` (0: a 1.44 MB diskette)
// to `hostPath` under the writer's lock, so a change running at the same
// time comes wholly before or wholly after. Any existing file of that name
// (an image or not, even the EFI program being placed) is replaced only
// with `replaceExisting` (the editor's Create dialog asks first; the command
// line wants --force). With `efiProgram` the image
// holds it as its UEFI boot program, at the capacity given or, with
// `fitCapacity`, the smallest that holds it (efi_boot_program.h). False with
// a reason.
bool CreateImageFile(const std::string& hostPath, uint32_t capacityMegabytes, uint32_t options, bool replaceExisting,
                     std::string& error, const std::vector<uint8_t>* efiProgram = nullptr, bool fitCapacity = false);

}  // namespace imagelib
