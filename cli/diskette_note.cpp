#include "cli/diskette_note.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "imagelib/diskette_wrap.h"
#include "platform/file_system.h"

namespace cli {

std::string ExtendedMemoryDisketteNote(const std::string& imagePath, const std::string& imageName) {
    platform::ResolvedPath resolved = platform::Resolve(imagePath);
    if (!resolved.exists) return "";
    std::ifstream file(resolved.host, std::ios::binary | std::ios::ate);
    if (!file) return "";
    const auto size = static_cast<uint64_t>(file.tellg());
    std::vector<uint8_t> boot(512);
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(boot.data()), static_cast<std::streamsize>(boot.size()))) return "";
    // Extended images carry their own start-up code and are fine as they are.
    if (std::memcmp(boot.data() + 0x0E, "ExTx", 4) == 0 || size != 1474560) return "";
    const std::string loader = imagelib::ExtendedMemoryLoaderOf(boot);
    if (loader.empty()) return "";
    return imageName + " is a plain diskette that starts " + loader +
           ", which loads itself into extended memory over the menu's RAM disk; make it an extended image: "
           "menvolt-image wrap " + imageName + " NEW.img";
}

}  // namespace cli
