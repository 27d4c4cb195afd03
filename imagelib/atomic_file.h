// Host file access for image files. An image is always replaced whole: the
// new bytes go to a temporary file in the same folder, reach the disk, and
// only then take the old file's name, so a crash or a full disk never leaves
// a half-written image behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace imagelib {

// Returns false with a reason; the old file (if any) is then unchanged and
// no temporary file remains. A file without write permission is not replaced.
bool ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size, std::string& error);

// Reads a whole file of at most maxSize bytes.
bool ReadHostFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error);

}  // namespace imagelib
