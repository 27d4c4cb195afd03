#include "store/loader_removal.h"

#include <cstring>
#include <optional>

#include "loader/layout.h"
#include "platform/file_system.h"
#include "store/menu_entry.h"
#include "store/share_shape.h"
#include "store/sif_file.h"

namespace {

using platform::FileIdentity;

// True when an OSChooser file that is a different file from `ownSif`
// (device and inode, so a link or a second name of it is no other entry)
// names `loader`. The server reads every templates folder of the share.
bool NamedElsewhere(const std::string& risRoot, const FileIdentity& ownSif, const FileIdentity& loader) {
    for (const std::string& templates : ListAllTemplatesFolders(risRoot)) {
        for (const platform::FindData& d : platform::ListMatches(templates + "*.sif")) {
            if (d.isDirectory) continue;
            std::optional<FileIdentity> other = platform::Identify(templates + d.name, true);
            if (!other || other->SameFile(ownSif)) continue;
            SifFile sif;
            if (!sif.Load(templates + d.name)) continue;
            const std::string launchFile = sif.GetLaunchFile();
            if (launchFile.empty() || !IsInsideShare(risRoot, launchFile)) continue;
            std::optional<FileIdentity> named = platform::Identify(risRoot + launchFile, true);
            if (named && named->SameFile(loader)) return true;
        }
    }
    return false;
}

// Empty when the file begins with a loader file's signature, else why not.
std::string NotALoader(const platform::HeldFile& file) {
    platform::ReadResult read = platform::ReadWholeFileIn(file, layout::LDR_MAX_SIZE);
    if (read.error != platform::FileError::None)
        return std::string("it cannot be read (") + platform::FileErrorName(read.error) + ").";
    const size_t end = layout::LDR_SIGNATURE + layout::LDR_SIGNATURE_SIZE;
    const bool loader = !read.tooLarge && read.bytes.size() >= end &&
                        std::memcmp(read.bytes.data() + layout::LDR_SIGNATURE, "QVLRIS", layout::LDR_SIGNATURE_SIZE) == 0;
    return loader ? "" : "it is not a loader file.";
}

}  // namespace

std::string WhyLoaderIsKept(const std::string& risRoot, const platform::HeldFile& sif, const platform::HeldFile& loader) {
    std::optional<FileIdentity> loaderId = platform::IdentifyIn(loader);
    if (!loaderId) return "";  // nothing there; the removal says so
    // A link to an OSChooser file is removed as a link: the entry it leads
    // to still names its loader.
    std::optional<FileIdentity> ownSif = platform::IdentifyIn(sif);
    if (!ownSif) return "";  // nothing there; the removal says so
    if (ownSif->isLink) return "the removed OSChooser file is a link; the entry it leads to keeps it.";
    // Likewise a hard link: the same file (device and inode) stays under its
    // other name, which NamedElsewhere skips as this very entry, and still
    // names the loader.
    if (ownSif->names > 1)
        return "the removed OSChooser file has another name (a hard link), under which the entry keeps it.";
    // "...\i386\templates\tool<N>.sif" belongs to the entry folder "...\i386".
    std::optional<FileIdentity> loaderFolder = platform::IdentifyFolderOf(loader, false);
    std::optional<FileIdentity> entryFolder = platform::IdentifyFolderOf(sif, true);
    if (loaderId->isLink || !loaderFolder || !entryFolder || !loaderFolder->SameFile(*entryFolder))
        return "it does not lie in the entry's own folder.";
    if (std::string why = NotALoader(loader); !why.empty()) return why;
    if (NamedElsewhere(risRoot, *ownSif, *loaderId)) return "another entry still names it.";
    return "";
}
