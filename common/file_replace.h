// Whole-file replacement inside a folder held open: the one routine behind
// every save of a share file and every write of an image file. The bytes go
// to a temporary file beside the target, reach the disk, and only then take
// the target's name, all relative to the folder handle, so the folder that
// was checked is the folder written into.
#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>

namespace common {

// Every temporary file we make is named kTemporaryPrefix + the name it
// stands for + "." + six random characters, so a leftover can be recognised.
inline constexpr const char kTemporaryPrefix[] = ".menvolt-temp.";
bool IsTemporaryName(const std::string& hostName);

// The mode a new file gets: read and write for all, less the umask.
mode_t NewFileMode();

// Writes the bytes to a new, flushed temporary file in `dir` with `mode`;
// `tempName` receives its name. 0 or the errno of the failure (no file left).
int WriteTemporaryAt(int dir, const std::string& stem, const void* data, size_t size, mode_t mode,
                     std::string& tempName);

// Replaces (or creates) `name` in `dir`. An existing file keeps its mode;
// a new one gets NewFileMode(). 0 or the errno of the failure; the old file
// is then unchanged and no temporary file remains.
int ReplaceAt(int dir, const std::string& name, const void* data, size_t size);

// Creates `name` in `dir`, whole, only if no file of that name exists at
// the moment it takes the name: EEXIST then, and nothing is left behind.
int CreateNewAt(int dir, const std::string& name, const void* data, size_t size);

}  // namespace common
