#include "platform/temp_folder.h"

#include <cstdlib>

namespace platform {

std::filesystem::path MakeTempFolder(const std::string& prefix) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) return {};
    std::string pattern = (base / (prefix + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) return {};
    return pattern;
}

}  // namespace platform
