#include "common/file_replace.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace common {

bool IsTemporaryName(const std::string& hostName) { return hostName.rfind(kTemporaryPrefix, 0) == 0; }

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

int WriteTemporaryAt(int dir, const std::string& stem, const void* data, size_t size, mode_t mode,
                     std::string& tempName) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device seed;
    std::minstd_rand pick(seed());
    int fd = -1;
    std::string name;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        name = kTemporaryPrefix + stem + ".";
        for (int i = 0; i < 6; ++i) name += kLetters[pick() % (sizeof kLetters - 1)];
        fd = ::openat(dir, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    int err = 0;
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (!err && done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        else if (n == 0) err = EIO;
        else done += static_cast<size_t>(n);
    }
    if (!err && ::fchmod(fd, mode) != 0) err = errno;
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (err) {
        ::unlinkat(dir, name.c_str(), 0);
        return err;
    }
    tempName = name;
    return 0;
}

int ReplaceAt(int dir, const std::string& name, const void* data, size_t size) {
    struct stat st {};
    const mode_t mode = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
                            ? st.st_mode & 07777
                            : NewFileMode();
    std::string temp;
    if (int err = WriteTemporaryAt(dir, name, data, size, mode, temp)) return err;
    if (::renameat(dir, temp.c_str(), dir, name.c_str()) != 0) {
        int err = errno;
        ::unlinkat(dir, temp.c_str(), 0);
        return err;
    }
    ::fsync(dir);
    return 0;
}

int CreateNewAt(int dir, const std::string& name, const void* data, size_t size) {
    std::string temp;
    if (int err = WriteTemporaryAt(dir, name, data, size, NewFileMode(), temp)) return err;
    // A file system without the no-replace rename (EINVAL) still refuses a
    // hard link over an existing name.
    int err = 0;
    if (::renameat2(dir, temp.c_str(), dir, name.c_str(), RENAME_NOREPLACE) != 0) {
        err = errno;
        if (err == EINVAL) err = ::linkat(dir, temp.c_str(), dir, name.c_str(), 0) != 0 ? errno : 0;
        ::unlinkat(dir, temp.c_str(), 0);
    }
    if (!err) ::fsync(dir);
    return err;
}

}  // namespace common
