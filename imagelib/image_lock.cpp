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
    while (true) {
        // O_NONBLOCK: a pipe in the image's place must not hang the open.
        int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = "Cannot open " + path + ": " + std::strerror(errno);
            return false;
        }
        struct stat held {};
        if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            close(fd);
            error = "Not a regular file: " + path;
            return false;
        }
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // A writer that finished meanwhile put a new file in place: the
            // lock must be on the file the name now leads to.
            struct stat now {};
            if (stat(path.c_str(), &now) == 0 && now.st_dev == held.st_dev && now.st_ino == held.st_ino) {
                m_fd = fd;
                return true;
            }
            close(fd);
            continue;
        }
        const int err = errno;
        close(fd);
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

void ImageLock::Release() {
    if (m_fd >= 0) close(m_fd);  // closing the last descriptor drops the lock
    m_fd = -1;
}

}  // namespace imagelib
