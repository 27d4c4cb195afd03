#include "store/loader_removal.h"

#include <cstring>
#include <filesystem>
#include <optional>

#include "loader/layout.h"
#include "platform/file_system.h"
#include "store/menu_entry.h"
#include "store/share_shape.h"
#include "store/sif_file.h"

namespace fs = std::filesystem;

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

bool BeginsWithLoaderSignature(const std::string& path) {
    platform::ReadResult read = platform::ReadWholeFile(path, layout::LDR_MAX_SIZE);
    const size_t end = layout::LDR_SIGNATURE + layout::LDR_SIGNATURE_SIZE;
    return read.error == platform::FileError::None && !read.tooLarge && read.bytes.size() >= end &&
           std::memcmp(read.bytes.data() + layout::LDR_SIGNATURE, "QVLRIS", layout::LDR_SIGNATURE_SIZE) == 0;
}

// The folder a Windows path lies in, by its host path.
fs::path HostFolder(const std::string& windowsPath) {
    platform::ResolvedPath r = platform::Resolve(windowsPath);
    std::error_code ec;
    fs::path real = fs::weakly_canonical(r.host.parent_path(), ec);
    return ec ? fs::path() : real;
}

}  // namespace

std::string WhyLoaderIsKept(const std::string& risRoot, const std::string& sifPath, const std::string& launchFile) {
    const std::string loaderPath = risRoot + launchFile;
    std::optional<FileIdentity> loader = platform::Identify(loaderPath, true);
    if (!loader) return "";  // nothing there; the removal says so
    // A link to an OSChooser file is removed as a link: the entry it leads
    // to still names its loader.
    std::optional<FileIdentity> ownSif = platform::Identify(sifPath, false);
    if (!ownSif || ownSif->isLink) return "the removed OSChooser file is a link; the entry it leads to keeps it.";
    // Likewise a hard link: the same file (device and inode) stays under its
    // other name, which NamedElsewhere skips as this very entry, and still
    // names the loader.
    if (ownSif->names > 1)
        return "the removed OSChooser file has another name (a hard link), under which the entry keeps it.";
    // "...\i386\templates\tool<N>.sif" belongs to the entry folder "...\i386".
    std::optional<FileIdentity> loaderLink = platform::Identify(loaderPath, false);
    if (!loaderLink || loaderLink->isLink || HostFolder(loaderPath) != HostFolder(sifPath).parent_path())
        return "it does not lie in the entry's own folder.";
    if (!BeginsWithLoaderSignature(loaderPath)) return "it is not a loader file.";
    if (NamedElsewhere(risRoot, *ownSif, *loader)) return "another entry still names it.";
    return "";
}
