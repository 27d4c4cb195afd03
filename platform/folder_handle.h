// Folder handles held from a share root. Every change under a share acts on
// a folder opened here and a name in it (openat, renameat, linkat,
// unlinkat), so a link swapped between a check and the action cannot lead
// the action elsewhere: the folder that was reached is the folder acted on.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// A folder held open and a host name in it. The name is "." when the path
// names the root folder itself.
struct FolderHandle {
    int fd = -1;
    std::string name;

    FolderHandle() = default;
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    FolderHandle(FolderHandle&& other) noexcept : fd(other.fd), name(std::move(other.name)) { other.fd = -1; }
    FolderHandle& operator=(FolderHandle&& other) noexcept;
    ~FolderHandle();
};

// Why OpenBeneath failed.
enum class BeneathError { None, Outside, Missing, NotAFolder, TooManyLinks, Other };

// Opens the folder holding `relative` (host names, no leading "/") beneath
// the open root folder `rootFd`, whose links-resolved form is `realRoot`. Links on the way are
// followed while they stay beneath the root (an absolute one counts when it
// points into realRoot); with followLast, a link in the last place is
// followed too, so the handle is that of the file it leads to. Uses
// openat2(RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS) where the kernel has it,
// else (or with MENVOLT_RESOLVE_BY_WALK=1 in the environment) a walk of
// openat(O_NOFOLLOW | O_DIRECTORY), one name at a time. `err` receives the
// errno behind Missing, NotAFolder and Other.
BeneathError OpenBeneath(int rootFd, const std::filesystem::path& realRoot,
                         const std::filesystem::path& relative, bool followLast, FolderHandle& out, int& err);

// True when the name in `dir` is a symbolic link; its target in `target`.
bool ReadLinkAt(int dir, const std::string& name, std::string& target);

}  // namespace platform
