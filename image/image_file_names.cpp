#include "image/image_file_names.h"

#include <cstring>

#include "loader/layout.h"
#include "platform/file_system.h"
#include "res/resource.h"

BOOL ImageFileExists(const std::string& path) { return platform::ListMatches(path).empty() ? FALSE : TRUE; }

// ---- Rules for a typed name ------------------------------------------------

bool IsBareImageFileName(const std::string& name) {
    if (name == "." || name == "..") return false;
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
        if (std::strchr("\\/:*?\"<>|", c)) return false;
    }
    return true;
}

std::string ServerPathOf(const std::string& folder) {
    size_t start = 0;
    if (folder.rfind("\\\\", 0) == 0) {
        // \\SERVER\Share\ : the part after the share's backslash.
        size_t server = folder.find('\\', 2);
        size_t share = server == std::string::npos ? std::string::npos : folder.find('\\', server + 1);
        start = share == std::string::npos ? folder.size() : share + 1;
    } else if (folder.size() >= 2 && folder[1] == ':') {
        start = folder.size() >= 3 && folder[2] == '\\' ? 3 : 2;
    }
    return folder.substr(start);
}

unsigned ImageFileNameProblem(const std::string& folder, const std::string& name, const std::string* serverPath) {
    if (!IsBareImageFileName(name)) return res::IDS_INVALID_PATH;
    if (folder.size() + name.size() > kMaxImagePath) return res::IDS_PATH_TOO_LONG;
    const size_t server = serverPath ? serverPath->size() : ServerPathOf(folder).size();
    if (!name.empty() && server + name.size() > layout::LDR_TFTP_NAME_MAX)
        return res::IDS_NAME_TOO_LONG;
    return 0;
}

BOOL ImageFileExistsIn(const std::string& folder, const std::string& name) {
    if (folder.empty()) return FALSE;
    return ImageFileExists(folder + name);
}
