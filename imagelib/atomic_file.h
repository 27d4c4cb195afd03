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

// A file told apart from every other by device and inode.
struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
};

// Returns false with a reason; the old file (if any) is then unchanged and
// no temporary file remains. A file without write permission is not
// replaced. With `expected`, only that very file is replaced: a name that
// leads elsewhere by now (a link or folder swapped meanwhile) is refused.
bool ReplaceFileAtomically(const std::string& path, const uint8_t* data, size_t size, std::string& error,
                           const FileId* expected = nullptr);

// The same in a folder held open: `name` in `dir` (no link followed),
// `shownPath` for messages.
bool ReplaceFileIn(int dir, const std::string& name, const std::string& shownPath, const uint8_t* data, size_t size,
                   std::string& error, const FileId* expected = nullptr);

// Where a link finally leads; the path itself when it is no link. A
// dangling link leads to the file it names, which a write then creates.
std::string LinkTarget(const std::string& path);
// The folder part of a host path ("." when there is none).
std::string FolderOf(const std::string& path);

// Writes a new file at `path` and never over anything of that name (a file,
// a folder, a link, even a dangling one): when the name is taken at the
// moment of writing, false with a reason that names it, and nothing written.
bool CreateNewFile(const std::string& path, const uint8_t* data, size_t size, std::string& error);

// Reads a whole file of at most maxSize bytes; `identity`, when given,
// receives the file that was read.
bool ReadHostFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error,
                  FileId* identity = nullptr);
// The same through an open descriptor, from its first byte; `path` for messages.
bool ReadOpenFile(int fd, const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error);

}  // namespace imagelib
