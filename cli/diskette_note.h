// A note for `verify`: a plain diskette image whose boot sector belongs to
// a loader that puts itself into extended memory. The menu's RAM disk at
// 110000h is not hidden from such loaders; as an extended image the disk is.
#pragma once

#include <string>

namespace cli {

// Empty when the image (a Windows path inside the share) is no such diskette.
std::string ExtendedMemoryDisketteNote(const std::string& imagePath, const std::string& imageName);

}  // namespace cli
