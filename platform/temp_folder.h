// A fresh folder of the program's own under the host's temporary folder.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// Makes "<temporary folder>/<prefix>XXXXXX" with a unique ending, readable
// only by us; an empty path when it cannot be made.
std::filesystem::path MakeTempFolder(const std::string& prefix);

}  // namespace platform
