#include "imagelib/atomic_file.h"

#include "common/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace imagelib {
namespace {

std::string Reason(const std::string& what, int err) { return what + ": " + std::strerror(err); }

}  // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LinkTarget(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = readlink(p.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) break;
        std::string target(buffer.data(), static_cast<size_t>(n));
        p = target[0] == '/' ? target : FolderOf(p) + "/" + target;
    }
    return p;
}

bool ReplaceFileAtomically(const std::string& linkOrPath, const uint8_t* data, size_t size, std::string& error,
                           const FileId* expected) {
    if (linkOrPath.empty() || linkOrPath.back() == '/') {
        error = "Not a file name: " + linkOrPath;
        return false;
    }
    // A link is written through: the file it leads to is replaced (the
    // temporary file lies beside that one), so every name for it sees the
    // change and the link stays a link.
    const std::string path = LinkTarget(linkOrPath);
    const std::string folder = FolderOf(path);
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    // The folder is held from here on: what is checked below is what is
    // replaced, whatever happens to the names leading to it meanwhile.
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        error = Reason("Cannot open the folder " + folder, errno);
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{dir};
    return ReplaceFileIn(dir, name, path, data, size, error, expected);
}

bool ReplaceFileIn(int dir, const std::string& name, const std::string& path, const uint8_t* data, size_t size,
                   std::string& error, const FileId* expected) {
    struct stat existing {};
    const bool exists = fstatat(dir, name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    // A file without any write permission is read-only here, even for root:
    // replacing it by renaming would otherwise go around that.
    if (exists && S_ISREG(existing.st_mode) && (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        error = "The file is read-only: " + path;
        return false;
    }
    if (expected && (!exists || existing.st_dev != expected->device || existing.st_ino != expected->inode)) {
        error = "The image file was replaced or moved by another program meanwhile; nothing was written: " + path;
        return false;
    }
    if (int err = common::ReplaceAt(dir, name, data, size)) {
        error = Reason("Cannot replace " + path, err);
        return false;
    }
    return true;
}

bool CreateNewFile(const std::string& path, const uint8_t* data, size_t size, std::string& error) {
    const size_t slash = path.rfind('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (name.empty()) {
        error = "Not a file name: " + path;
        return false;
    }
    const int dir = open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        error = Reason("Cannot open the folder " + FolderOf(path), errno);
        return false;
    }
    const int err = common::CreateNewAt(dir, name, data, size);
    close(dir);
    if (err == EEXIST) error = path + " exists already; it was left as it was (--force replaces it)";
    else if (err) error = Reason("Cannot create " + path, err);
    return err == 0;
}

bool ReadHostFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error,
                  FileId* identity) {
    out.clear();
    // A pipe, device or folder is refused before it is opened: opening a
    // pipe for reading waits for a writer that may never come.
    struct stat before {};
    if (stat(path.c_str(), &before) == 0 && !S_ISREG(before.st_mode)) {
        error = "Not a regular file: " + path;
        return false;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = Reason("Cannot open " + path, errno);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const bool read = ReadOpenFile(fd, path, maxSize, out, error);
    struct stat st {};
    if (identity && fstat(fd, &st) == 0)
        *identity = FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
    close(fd);
    return read;
}

bool ReadOpenFile(int fd, const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error) {
    out.clear();
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "Not a regular file: " + path;
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        error = "The file is too large: " + path;
        return false;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            out.clear();
            error = Reason("Cannot read " + path, err);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace imagelib
