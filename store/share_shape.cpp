#include "store/share_shape.h"

#include "platform/file_system.h"

namespace {

// Sub-folders of `folder` (which ends in a backslash), in listing order.
std::vector<std::string> SubFolderNames(const std::string& folder, bool skipDotNames) {
    std::vector<std::string> names;
    for (const platform::FindData& d : platform::ListMatches(folder + "*.*")) {
        if (!d.isDirectory || d.name.empty()) continue;
        if (skipDotNames ? d.name[0] == '.' : d.name == "." || d.name == "..") continue;
        names.push_back(d.name);
    }
    return names;
}

}  // namespace

const char* MenuFolderName(int tab) { return tab == 0 ? "Tools" : "Images"; }

std::string LanguageFolder(const std::string& risRoot, const std::string& language) {
    return risRoot + "Setup\\" + language;
}

std::vector<std::string> ListLanguages(const std::string& risRoot) {
    return SubFolderNames(risRoot + "Setup\\", true);
}

std::vector<std::string> EntryFolderChain(const std::string& risRoot, const std::string& language, int tab) {
    std::vector<std::string> chain;
    std::string folder = LanguageFolder(risRoot, language);
    for (const char* level : {MenuFolderName(tab), kVendorFolder, kPlatformFolder, kTemplatesFolder})
        chain.push_back(folder += std::string("\\") + level);
    return chain;
}

std::string EntryFolder(const std::string& risRoot, const std::string& language, int tab) {
    return LanguageFolder(risRoot, language) + "\\" + MenuFolderName(tab) + "\\" + kVendorFolder + "\\" +
           kPlatformFolder + "\\";
}

std::string EntryFolderOf(const std::string& sifPath) {
    size_t cut = sifPath.find_last_of('\\');
    std::string templates = cut == std::string::npos ? "" : sifPath.substr(0, cut);
    cut = templates.find_last_of('\\');
    return cut == std::string::npos ? "" : templates.substr(0, cut + 1);
}

std::vector<std::string> ListAllTemplatesFolders(const std::string& risRoot) {
    std::vector<std::string> folders;
    const std::string setup = risRoot + "Setup\\";
    for (const std::string& language : SubFolderNames(setup, false)) {
        for (int tab = 0; tab < kMenuCount; ++tab) {
            const std::string menu = setup + language + "\\" + MenuFolderName(tab) + "\\";
            for (const std::string& vendor : SubFolderNames(menu, false))
                for (const std::string& platformFolder : SubFolderNames(menu + vendor + "\\", false))
                    folders.push_back(menu + vendor + "\\" + platformFolder + "\\" + kTemplatesFolder + "\\");
        }
    }
    return folders;
}
