#include "loader_removal.h"

#include <cstring>
#include <filesystem>

#include "file_system.h"
#include "layout.h"
#include "menu_entry.h"
#include "share_shape.h"
#include "sif_file.h"

namespace fs = std::filesystem;

namespace {

fs::path RealHostPath(const std::string& windowsPath) {
    platform::ResolvedPath r = platform::Resolve(windowsPath);
    if (r.error != platform::FileError::None || !r.exists) return {};
    std::error_code ec;
    fs::path real = fs::canonical(r.host, ec);
    return ec ? fs::path() : real;
}

// True when an OSChooser file other than `ownSif` names `loader` (a real
// host path). The server reads every templates folder of the share.
bool NamedElsewhere(const std::string& risRoot, const fs::path& ownSif, const fs::path& loader) {
    for (const std::string& templates : ListAllTemplatesFolders(risRoot)) {
        for (const platform::FindData& d : platform::ListMatches(templates + "*.sif")) {
            if (d.isDirectory || RealHostPath(templates + d.name) == ownSif) continue;
            SifFile other;
            std::string host;
            if (!other.Load(templates + d.name)) continue;
            const std::string launchFile = other.GetLaunchFile();
            if (launchFile.empty() || !IsInsideShare(risRoot, launchFile, &host)) continue;
            std::error_code ec;
            if (!host.empty() && fs::canonical(host, ec) == loader) return true;
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

}  // namespace

std::string WhyLoaderIsKept(const std::string& risRoot, const std::string& sifPath, const std::string& launchFile) {
    const std::string loaderPath = risRoot + launchFile;
    const fs::path loader = RealHostPath(loaderPath);
    if (loader.empty()) return "";  // nothing there; the removal says so
    // "...\i386\templates\tool<N>.sif" belongs to the entry folder "...\i386".
    const fs::path ownSif = RealHostPath(sifPath);
    if (ownSif.empty() || loader.parent_path() != ownSif.parent_path().parent_path())
        return "it does not lie in the entry's own folder.";
    if (!BeginsWithLoaderSignature(loaderPath)) return "it is not a loader file.";
    if (NamedElsewhere(risRoot, ownSif, loader)) return "another entry still names it.";
    return "";
}
