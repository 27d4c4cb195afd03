#include "imagelib/image_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace imagelib {

bool ImageLock::Acquire(const std::string& path, std::string& error, int waitMilliseconds) {
    Release();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMilliseconds);
    int relinked = 0;
    while (true) {
        // The file a link leads to is the one locked and replaced, so every
        // name for it sees the change and the link stays a link.
        const std::string target = LinkTarget(path);
        const size_t slash = target.rfind('/');
        const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
        const int dir = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0 || name.empty()) {
            error = "Cannot open " + path + ": " + std::strerror(name.empty() ? EISDIR : errno);
            if (dir >= 0) close(dir);
            return false;
        }
        // O_NONBLOCK: a pipe in the image's place must not hang the open.
        // O_NOFOLLOW: a link put there since it was followed is not followed.
        int fd = openat(dir, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            const int err = errno;
            close(dir);
            if (err == ELOOP && ++relinked < 10) continue;
            error = "Cannot open " + path + ": " + std::strerror(err);
            return false;
        }
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        struct stat held {};
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            close(dir);
            error = "Not a regular file: " + path;
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A writer that finished meanwhile put a new file in place: the
            // lock must be on the file the name in the held folder is now.
            struct stat now {};
            if (fstatat(dir, name.c_str(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == held.st_dev &&
                now.st_ino == held.st_ino) {
                m_fd = fd;
                m_dir = dir;
                m_name = name;
                m_path = target;
                return true;
            }
            close(fd);
            close(dir);
            continue;
        }
        const int err = errno;
        close(fd);
        close(dir);
        if (err != EWOULDBLOCK) {
            error = "Cannot lock " + path + ": " + std::strerror(err);
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error = "Another program is changing the image file " + path + "; nothing was written. Try again later.";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

FileId ImageLock::Identity() const {
    struct stat st {};
    if (m_fd < 0 || fstat(m_fd, &st) != 0) return {};
    return FileId{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

uint64_t ImageLock::Names() const {
    struct stat st {};
    if (m_fd < 0 || fstat(m_fd, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_nlink);
}

bool ImageLock::Read(size_t maxSize, std::vector<uint8_t>& out, std::string& error) const {
    if (m_fd < 0) {
        error = "The image file is not locked";
        return false;
    }
    return ReadOpenFile(m_fd, m_path, maxSize, out, error);
}

bool ImageLock::Replace(const std::vector<uint8_t>& bytes, std::string& error) const {
    if (m_fd < 0) {
        error = "The image file is not locked";
        return false;
    }
    const FileId locked = Identity();
    return ReplaceFileIn(m_dir, m_name, m_path, bytes.data(), bytes.size(), error, &locked);
}

void ImageLock::Release() {
    if (m_fd >= 0) close(m_fd);  // closing the last descriptor drops the lock
    if (m_dir >= 0) close(m_dir);
    m_fd = m_dir = -1;
    m_name.clear();
    m_path.clear();
}

}  // namespace imagelib
