#include "atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace imagelib {
namespace {

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Reason(const std::string& what, int err) { return what + ": " + std::strerror(err); }

// Where a link finally leads; the path itself when it is no link. A
// dangling link leads to the file it names, which a write then creates.
std::string LinkTarget(const std::string& path) {
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::vector<char> buffer(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = readlink(p.c_str(), buffer.data(), buffer.size() - 1);
        if (n < 0) break;
        std::string target(buffer.data(), static_cast<size_t>(n));
        p = target[0] == '/' ? target : Folder(p) + "/" + target;
    }
    return p;
}

}  // namespace

bool ReplaceFileAtomically(const std::string& linkOrPath, const uint8_t* data, size_t size, std::string& error) {
    if (linkOrPath.empty() || linkOrPath.back() == '/') {
        error = "Not a file name: " + linkOrPath;
        return false;
    }
    // A link is written through: the file it leads to is replaced (the
    // temporary file lies beside that one), so every name for it sees the
    // change and the link stays a link.
    const std::string path = LinkTarget(linkOrPath);
    // A file without any write permission is read-only here, even for root:
    // replacing it by renaming would otherwise go around that.
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        (existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        error = "The file is read-only: " + path;
        return false;
    }
    const std::string folder = Folder(path);
    const size_t slash = path.rfind('/');
    std::string temp = folder + "/." + path.substr(slash == std::string::npos ? 0 : slash + 1) + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = Reason("Cannot create a file in " + folder, errno);
        return false;
    }
    auto fail = [&](const std::string& what, int err) {
        close(fd);
        unlink(temp.c_str());
        error = Reason(what, err);
        return false;
    };
    size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail("Cannot write " + path, errno);
        }
        done += static_cast<size_t>(n);
    }
    // Keep the permissions of the file being replaced; a new one gets the
    // usual rw-r--r--.
    struct stat st {};
    const mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    if (fchmod(fd, mode) != 0) return fail("Cannot set the permissions of " + path, errno);
    if (fsync(fd) != 0) return fail("Cannot write " + path, errno);
    if (close(fd) != 0) {
        int err = errno;
        unlink(temp.c_str());
        error = Reason("Cannot write " + path, err);
        return false;
    }
    if (rename(temp.c_str(), path.c_str()) != 0) {
        int err = errno;
        unlink(temp.c_str());
        error = Reason("Cannot replace " + path, err);
        return false;
    }
    int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

bool ReadHostFile(const std::string& path, size_t maxSize, std::vector<uint8_t>& out, std::string& error) {
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
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        error = "Not a regular file: " + path;
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > maxSize) {
        close(fd);
        error = "The file is too large: " + path;
        return false;
    }
    out.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < out.size()) {
        ssize_t n = read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            close(fd);
            out.clear();
            error = Reason("Cannot read " + path, err);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
    return true;
}

}  // namespace imagelib
