#include "platform/folder_handle.h"

#include <cerrno>
#include <cstdlib>
#include <deque>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace platform {

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = other.fd;
        name = std::move(other.name);
        other.fd = -1;
    }
    return *this;
}

FolderHandle::~FolderHandle() {
    if (fd >= 0) ::close(fd);
}

bool ReadLinkAt(int dir, const std::string& name, std::string& target) {
    char buffer[4096];
    ssize_t n = ::readlinkat(dir, name.c_str(), buffer, sizeof buffer);
    if (n < 0 || n == static_cast<ssize_t>(sizeof buffer)) return false;
    target.assign(buffer, static_cast<size_t>(n));
    return true;
}

namespace {

constexpr int kMaxLinks = 40;

bool WalkForced() {
    static const bool forced = [] {
        const char* v = std::getenv("MENVOLT_RESOLVE_BY_WALK");
        return v && *v && *v != '0';
    }();
    return forced;
}

void Append(std::deque<std::string>& names, const fs::path& p, bool front) {
    std::vector<std::string> parts;
    for (const fs::path& part : p.relative_path()) parts.push_back(part.string());
    if (front) names.insert(names.begin(), parts.begin(), parts.end());
    else names.insert(names.end(), parts.begin(), parts.end());
}

// The walk: a stack of open folders from the root down, so ".." steps back
// to a folder already held and never above the root.
class Walk {
public:
    Walk(int root, const fs::path& realRoot) : m_realRoot(realRoot) { m_stack.push_back(root); }
    ~Walk() {
        for (size_t i = 1; i < m_stack.size(); ++i) ::close(m_stack[i]);
    }
    int Top() const { return m_stack.back(); }
    int TakeTop() {
        int fd = m_stack.back() == m_stack.front() ? ::dup(m_stack.front()) : m_stack.back();
        if (m_stack.size() > 1) m_stack.pop_back();
        return fd;
    }

    // Enters every name of `names`, following links.
    BeneathError Enter(std::deque<std::string>& names, int& err) {
        while (!names.empty()) {
            const std::string name = names.front();
            names.pop_front();
            if (name.empty() || name == ".") continue;
            if (name == "..") {
                if (m_stack.size() == 1) return BeneathError::Outside;
                ::close(m_stack.back());
                m_stack.pop_back();
                continue;
            }
            int fd = ::openat(Top(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd >= 0) {
                m_stack.push_back(fd);
                continue;
            }
            err = errno;
            std::string target;
            if ((err == ELOOP || err == ENOTDIR) && ReadLinkAt(Top(), name, target)) {
                if (BeneathError e = Follow(target, names); e != BeneathError::None) return e;
                continue;
            }
            return err == ENOENT ? BeneathError::Missing : err == ENOTDIR ? BeneathError::NotAFolder
                                                                          : BeneathError::Other;
        }
        return BeneathError::None;
    }

    // Puts a link's target in front of the names still to walk; an
    // absolute target starts again from the root, if it lies beneath it.
    BeneathError Follow(const std::string& target, std::deque<std::string>& names) {
        if (++m_links > kMaxLinks) return BeneathError::TooManyLinks;
        fs::path t(target);
        if (t.is_absolute()) {
            fs::path rel = t.lexically_normal().lexically_relative(m_realRoot);
            if (rel.empty() || *rel.begin() == "..") return BeneathError::Outside;
            while (m_stack.size() > 1) {
                ::close(m_stack.back());
                m_stack.pop_back();
            }
            t = rel;
        }
        Append(names, t, true);
        return BeneathError::None;
    }

private:
    std::vector<int> m_stack;
    fs::path m_realRoot;
    int m_links = 0;
};

// The kernel's own walk beneath the root, for the common case: the folder
// opened in one call and a last name that is no link to follow.
bool FastPath(int root, const fs::path& relative, bool followLast, FolderHandle& out) {
#ifdef SYS_openat2
    if (WalkForced()) return false;
    const fs::path folder = relative.parent_path();
    struct open_how how {};
    how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    long fd = ::syscall(SYS_openat2, root, folder.empty() ? "." : folder.c_str(), &how, sizeof how);
    if (fd < 0) return false;  // not there, a link the kernel would not follow, or an old kernel
    std::string name = relative.filename().string();
    std::string target;
    if (name == ".." || (followLast && ReadLinkAt(static_cast<int>(fd), name, target))) {
        ::close(static_cast<int>(fd));
        return false;
    }
    out.fd = static_cast<int>(fd);
    out.name = name.empty() ? "." : name;
    return true;
#else
    (void)root, (void)relative, (void)followLast, (void)out;
    return false;
#endif
}

}  // namespace

BeneathError OpenBeneath(int rootFd, const fs::path& realRoot, const fs::path& relative, bool followLast,
                         FolderHandle& out, int& err) {
    err = 0;
    if (relative.empty() || relative == ".") {
        out.fd = ::dup(rootFd);
        out.name = ".";
        return BeneathError::None;
    }
    if (FastPath(rootFd, relative, followLast, out)) return BeneathError::None;

    Walk walk(rootFd, realRoot);
    std::deque<std::string> names;
    Append(names, relative, false);
    while (true) {
        while (!names.empty() && (names.back().empty() || names.back() == ".")) names.pop_back();
        if (names.empty() || names.back() == "..") {
            // The path names a folder: hold it and act on ".".
            if (BeneathError e = walk.Enter(names, err); e != BeneathError::None) return e;
            out.fd = walk.TakeTop();
            out.name = ".";
            return BeneathError::None;
        }
        const std::string last = names.back();
        names.pop_back();
        if (BeneathError e = walk.Enter(names, err); e != BeneathError::None) return e;
        std::string target;
        if (followLast && ReadLinkAt(walk.Top(), last, target)) {
            if (BeneathError e = walk.Follow(target, names); e != BeneathError::None) return e;
            continue;
        }
        out.fd = walk.TakeTop();
        out.name = last;
        return BeneathError::None;
    }
}

}  // namespace platform
