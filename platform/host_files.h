// Files outside the share, named by host paths: the signing key, the
// programs to sign, a TFTP root laid out for Secure Boot. Whatever is
// written here is written whole or not at all: a temporary file beside the
// target, flushed, then renamed over it (or, where nothing may be replaced,
// linked in under its name only if that name is still free).
#pragma once

#include <string>
#include <vector>
#include <sys/types.h>

namespace platform {

enum class HostWrite { Replace, CreateOnly };

// 0, or the errno of the failure (EEXIST: CreateOnly found the name taken);
// on failure the target is as it was and no temporary file remains.
int WriteHostFile(const std::string& hostPath, const std::string& data, mode_t mode, HostWrite how);

// Several files of one folder, all or none: each is written to a temporary
// file first, and only when every one is on the disk do they take their
// names. 0, or the errno of the failure with `failed` naming its file
// (nothing is then changed and no temporary file remains).
struct HostFile {
    std::string name, data;
    mode_t mode;
};
int WriteHostFiles(const std::string& folder, const std::vector<HostFile>& files, std::string& failed);

// The whole file, at most `maxSize` bytes: 0, EFBIG when it is larger, or
// the errno of the failure.
int ReadHostFile(const std::string& hostPath, std::string& data, size_t maxSize);

// The errno text, as the messages that name a file end with it.
std::string ErrorText(int error);

}  // namespace platform
