#include "platform/host_files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/file_replace.h"

namespace platform {

int WriteHostFile(const std::string& hostPath, const std::string& data, mode_t mode, HostWrite how) {
    const std::filesystem::path path(hostPath);
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
    const std::string name = path.filename().string();
    if (name.empty()) return EISDIR;
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return errno;
    std::string temp;
    int err = common::WriteTemporaryAt(dir, name, data.data(), data.size(), mode, temp);
    if (!err) {
        // A link to the temporary file takes the name only if it is free.
        const int moved = how == HostWrite::Replace ? ::renameat(dir, temp.c_str(), dir, name.c_str())
                                                    : ::linkat(dir, temp.c_str(), dir, name.c_str(), 0);
        if (moved != 0) err = errno;
        if (how == HostWrite::CreateOnly || err) ::unlinkat(dir, temp.c_str(), 0);
        if (!err) ::fsync(dir);
    }
    ::close(dir);
    return err;
}

int WriteHostFiles(const std::string& folder, const std::vector<HostFile>& files, std::string& failed) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        failed = folder;
        return errno;
    }
    std::vector<std::string> temps;
    int err = 0;
    for (const HostFile& f : files) {
        std::string temp;
        if ((err = common::WriteTemporaryAt(dir, f.name, f.data.data(), f.data.size(), f.mode, temp)) != 0) {
            failed = (std::filesystem::path(folder) / f.name).string();
            break;
        }
        temps.push_back(temp);
    }
    for (size_t i = 0; i < temps.size(); ++i) {
        if (!err && ::renameat(dir, temps[i].c_str(), dir, files[i].name.c_str()) == 0) continue;
        if (!err) {
            err = errno;
            failed = (std::filesystem::path(folder) / files[i].name).string();
        }
        ::unlinkat(dir, temps[i].c_str(), 0);
    }
    if (!err) ::fsync(dir);
    ::close(dir);
    return err;
}

int ReadHostFile(const std::string& hostPath, std::string& data, size_t maxSize) {
    data.clear();
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    int err = ::fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    char buffer[65536];
    while (!err) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) err = errno;
        if (n <= 0) break;
        if (data.size() + static_cast<size_t>(n) > maxSize) err = EFBIG;
        else data.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (err) data.clear();
    return err;
}

std::string ErrorText(int error) { return std::strerror(error); }

}  // namespace platform
