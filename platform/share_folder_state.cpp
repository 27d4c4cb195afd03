#include "platform/share_folder_state.h"

#include <strings.h>

#include <system_error>

namespace platform {

namespace fs = std::filesystem;

namespace {

bool IsFolder(const fs::directory_entry& entry) {
    std::error_code ec;
    return entry.is_directory(ec);
}

}  // namespace

ShareFolderState InspectShareFolder(const fs::path& folder) {
    std::error_code ec;
    const fs::file_status status = fs::status(folder, ec);
    if (!fs::exists(status)) return ec && ec != std::errc::no_such_file_or_directory ? ShareFolderState::Unreadable
                                                                                       : ShareFolderState::Missing;
    if (!fs::is_directory(status)) return ShareFolderState::NotAFolder;
    fs::directory_iterator it(folder, ec);
    if (ec) return ShareFolderState::Unreadable;
    bool any = false;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        any = true;
        if (strcasecmp(it->path().filename().c_str(), "Setup") != 0 || !IsFolder(*it)) continue;
        for (fs::directory_iterator language(it->path(), ec); !ec && language != fs::directory_iterator();
             language.increment(ec))
            if (IsFolder(*language) && language->path().filename().native()[0] != '.')
                return ShareFolderState::HasLanguages;
        return ShareFolderState::NoLanguage;
    }
    return any ? ShareFolderState::NoSetup : ShareFolderState::Empty;
}

}  // namespace platform
