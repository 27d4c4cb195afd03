#include "platform/file_system.h"

#include "platform/ansi_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <ctime>
#include <unistd.h>

#include "common/path_components.h"
#include "common/file_replace.h"
#include "platform/folder_handle.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

// Upper case as the Windows-1252 names are compared: the ASCII letters and
// the accented ones (a-grave to thorn but the division sign; s, oe and z with
// caron; y with diaeresis).
std::string Upper(std::string s) {
    for (char& c : s) {
        const auto b = static_cast<unsigned char>(c);
        if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7)) c = static_cast<char>(b - 0x20);
        else if (b == 0x9A || b == 0x9C || b == 0x9E) c = static_cast<char>(b - 0x10);
        else if (b == 0xFF) c = static_cast<char>(0x9F);
    }
    return s;
}

// Names inside the program are Windows-1252; the host stores them as UTF-8.
// These two are the only crossings. A host name without a 1252 form (or not
// UTF-8 at all) has no Windows name: listings skip it, and no Windows path
// can reach it.
std::string HostName(const std::string& windowsName) { return AnsiToUtf8(windowsName); }
std::optional<std::string> WindowsName(const std::string& hostName) {
    std::string ansi;
    if (!Utf8ToAnsi(hostName, ansi)) return std::nullopt;
    return ansi;
}

bool EqualNoCase(const std::string& a, const std::string& b) { return Upper(a) == Upper(b); }

// A share's folder held open, and where it is with every link resolved.
struct ShareRoot {
    FolderHandle folder;
    fs::path real;
};

struct Mappings {
    std::mutex lock;
    std::map<std::string, fs::path> shares;  // "COMPUTER\SHARE", upper case
    // The share folders, opened at their first use and held while mapped.
    std::map<std::string, std::shared_ptr<const ShareRoot>> roots;
    std::map<char, fs::path> drives;         // upper-case letter
};
Mappings& Table() {
    static Mappings table;
    return table;
}

using common::SplitComponents;

// Characters Windows never accepts in a file name.
bool ValidComponent(const std::string& name) {
    for (unsigned char c : name)
        if (c < 32 || std::strchr("<>:\"|?*", c)) return false;
    return true;
}

// Splits a Windows path into the host folder it starts from and the
// components below it. Returns false for an unmapped share or drive.
bool SplitRoot(const std::string& path, fs::path& base, std::string& rest, bool& isRoot) {
    isRoot = false;
    if (path.size() >= 2 && (path[0] == '\\' || path[0] == '/') && (path[1] == '\\' || path[1] == '/')) {
        std::vector<std::string> parts = SplitComponents(path.substr(2));
        if (parts.size() < 2) return false;
        std::lock_guard<std::mutex> guard(Table().lock);
        auto it = Table().shares.find(Upper(parts[0]) + "\\" + Upper(parts[1]));
        if (it == Table().shares.end()) return false;
        base = it->second;
        rest.clear();
        for (size_t i = 2; i < parts.size(); ++i) rest += parts[i] + "\\";
        if (!rest.empty()) rest.pop_back();
        isRoot = parts.size() == 2;
        return true;
    }
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        std::lock_guard<std::mutex> guard(Table().lock);
        char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
        auto it = Table().drives.find(letter);
        // Z: stands for the host's root folder unless mapped otherwise, so
        // every path ToWindowsPath gives resolves back.
        if (it == Table().drives.end() && letter != 'Z') return false;
        base = it == Table().drives.end() ? fs::path("/") : it->second;
        rest = path.substr(2);
        isRoot = SplitComponents(rest).empty();
        return true;
    }
    if (!path.empty() && path[0] == '/') {  // a host path handed through unchanged
        base = "/";
        rest = path.substr(1);
        isRoot = SplitComponents(rest).empty();
        return true;
    }
    base = ".";
    rest = path;
    return true;
}

// The host name of the entry of `dir` whose Windows name equals `name`
// ignoring case; an exact match wins.
std::optional<std::string> MatchInFolder(const fs::path& dir, const std::string& name) {
    std::error_code ec;
    const std::string exact = HostName(name);
    if (fs::symlink_status(dir / exact, ec).type() != fs::file_type::not_found && !ec) return exact;
    std::optional<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        std::string candidate = entry.path().filename().string();
        std::optional<std::string> windows = WindowsName(candidate);
        if (windows && EqualNoCase(*windows, name) && (!found || candidate < *found)) found = candidate;
    }
    return found;
}

// Every host name in an open folder but "." and "..".
std::vector<std::string> ListFolderAt(int dir) {
    std::vector<std::string> names;
    int copy = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* d = copy >= 0 ? ::fdopendir(copy) : nullptr;
    if (!d) {
        if (copy >= 0) ::close(copy);
        return names;
    }
    while (struct dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(d);
    return names;
}

FileError FromErrno(int err, bool lastComponent) {
    switch (err) {
        case ENOENT: return lastComponent ? FileError::FileNotFound : FileError::BadPath;
        case ENOSPC:
        case EDQUOT: return FileError::DiskFull;
        case EEXIST: return FileError::FileExists;
        case ENOTDIR:
        case ENAMETOOLONG:
        case EINVAL: return FileError::BadPath;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return FileError::AccessDenied;
        case EAGAIN:
        case EBUSY:
        case ETXTBSY: return FileError::SharingViolation;
        default: return FileError::Other;
    }
}

bool NoWriteBits(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

// Takes the exclusive lock that stands for "no sharing" (a shared one for a
// file opened for reading only, which still keeps every writer out).
// Open-file-description locks conflict between every two opens, in this
// process or another.
FileError LockExclusive(int fd, short type = F_WRLCK) {
    struct flock lk {};
    lk.l_type = type;
    lk.l_whence = SEEK_SET;
    lk.l_start = 0;
    lk.l_len = 0;
    if (fcntl(fd, F_OFD_SETLK, &lk) == 0) return FileError::None;
    return (errno == EAGAIN || errno == EACCES) ? FileError::SharingViolation : FileError::Other;
}

// The folder of the mapped share a "\\COMPUTER\SHARE\..." path starts in,
// opened once and held, so that every step of a command acts in the same
// tree even when the share's path is a link that is swapped meanwhile;
// nullopt for other paths, null when the share's folder is gone.
std::optional<std::shared_ptr<const ShareRoot>> HeldShareRoot(const std::string& path) {
    auto separator = [](char c) { return c == '\\' || c == '/'; };
    if (path.size() < 2 || !separator(path[0]) || !separator(path[1])) return std::nullopt;
    std::vector<std::string> parts = SplitComponents(path.substr(2));
    if (parts.size() < 2) return std::nullopt;
    const std::string key = Upper(parts[0]) + "\\" + Upper(parts[1]);
    std::lock_guard<std::mutex> guard(Table().lock);
    auto known = Table().roots.find(key);
    if (known != Table().roots.end()) return known->second;
    auto it = Table().shares.find(key);
    if (it == Table().shares.end()) return std::nullopt;
    auto root = std::make_shared<ShareRoot>();
    root->folder.fd = ::open(it->second.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root->folder.fd < 0) return std::shared_ptr<const ShareRoot>();
    root->folder.name = ".";
    // Where the folder that was opened lies, not where the path leads now.
    const std::string self = "/proc/self/fd/" + std::to_string(root->folder.fd);
    char* real = ::realpath(self.c_str(), nullptr);
    if (!real) real = ::realpath(it->second.c_str(), nullptr);
    if (!real) return std::shared_ptr<const ShareRoot>();
    root->real = real;
    std::free(real);
    Table().roots[key] = root;
    return root;
}

// Where a host path finally leads: every link followed, a dangling one as
// far as it goes (creating through it would make its target), and the
// folders made real.
fs::path FinalPath(const fs::path& host) {
    // The common case, an existing file, in one call.
    if (char* real = ::realpath(host.c_str(), nullptr)) {
        fs::path result(real);
        std::free(real);
        return result;
    }
    std::error_code ec;
    fs::path p = host;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        fs::path target = fs::read_symlink(p, ec);
        if (ec) break;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    fs::path real = fs::weakly_canonical(p, ec);
    return ec ? p : real;
}

// Where a Windows path is acted on: its folder held open and its host name
// there. A share path is reached beneath the share's folder, never outside
// it; a path on a drive or the host is not confined. With followLast, a
// link in the last place leads to the file it names.
FileError Anchor(const std::string& windowsPath, bool followLast, FolderHandle& out) {
    ResolvedPath r = Resolve(windowsPath);
    if (r.error != FileError::None) return r.error;
    std::optional<std::shared_ptr<const ShareRoot>> root = HeldShareRoot(windowsPath);
    if (!root) {
        std::error_code ec;
        const fs::path target = followLast && fs::is_symlink(fs::symlink_status(r.host, ec)) ? FinalPath(r.host) : r.host;
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        out.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (out.fd < 0) return FromErrno(errno, false) == FileError::FileNotFound ? FileError::BadPath : FromErrno(errno, false);
        out.name = target.filename().empty() ? "." : target.filename().string();
        return FileError::None;
    }
    if (!*root) return FileError::OutsideShare;  // a share whose folder is gone contains nothing
    fs::path base;
    std::string rest;
    bool isRoot = false;
    SplitRoot(windowsPath, base, rest, isRoot);
    const fs::path relative = r.host.lexically_normal().lexically_relative(base);
    if (relative.empty() || *relative.begin() == "..") return FileError::OutsideShare;
    int err = 0;
    switch (OpenBeneath((*root)->folder.fd, (*root)->real, relative, followLast, out, err)) {
        case BeneathError::None: return FileError::None;
        case BeneathError::Outside: return FileError::OutsideShare;
        case BeneathError::Missing:
        case BeneathError::NotAFolder:
        case BeneathError::TooManyLinks: return FileError::BadPath;
        case BeneathError::Other: break;
    }
    return FromErrno(err, false);
}

// The folder a Windows path names, held open.
FileError OpenFolder(const std::string& windowsPath, int& fd) {
    FolderHandle at;
    FileError e = Anchor(windowsPath, true, at);
    if (e != FileError::None) return e;
    fd = ::openat(at.fd, at.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileError::BadPath : FromErrno(errno, false);
    return FileError::None;
}

// The host name in the open folder `dir` whose Windows name equals `name`
// ignoring case; an exact match wins.
std::optional<std::string> MatchInFolderAt(int dir, const std::string& name) {
    const std::string exact = HostName(name);
    struct stat st {};
    if (::fstatat(dir, exact.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return exact;
    std::optional<std::string> found;
    for (const std::string& candidate : ListFolderAt(dir)) {
        std::optional<std::string> windows = WindowsName(candidate);
        if (windows && EqualNoCase(*windows, name) && (!found || candidate < *found)) found = candidate;
    }
    return found;
}
}  // namespace

bool LeadsOutsideShare(const std::string& windowsPath) {
    FolderHandle at;
    return Anchor(windowsPath, true, at) == FileError::OutsideShare;
}

const char* FileErrorName(FileError error) {
    switch (error) {
        case FileError::None: return "none";
        case FileError::FileNotFound: return "file not found";
        case FileError::BadPath: return "bad path";
        case FileError::AccessDenied: return "access denied";
        case FileError::SharingViolation: return "sharing violation";
        case FileError::DiskFull: return "disk full";
        case FileError::FileExists: return "file exists";
        case FileError::NotAFile: return "not a file";
        case FileError::OutsideShare: return "outside the share";
        case FileError::FolderReadOnly: return "folder write protected";
        case FileError::Other: return "other";
    }
    return "other";
}

void MapShare(const std::string& computer, const std::string& share, const fs::path& hostDir) {
    std::lock_guard<std::mutex> guard(Table().lock);
    Table().shares[Upper(computer) + "\\" + Upper(share)] = fs::absolute(hostDir).lexically_normal();
    Table().roots.clear();
}

void MapDrive(char letter, const fs::path& hostDir) {
    std::lock_guard<std::mutex> guard(Table().lock);
    Table().drives[static_cast<char>(std::toupper(static_cast<unsigned char>(letter)))] =
        fs::absolute(hostDir).lexically_normal();
}

void ClearMappings() {
    std::lock_guard<std::mutex> guard(Table().lock);
    Table().shares.clear();
    Table().drives.clear();
    Table().roots.clear();
}

std::string ToWindowsPath(const fs::path& hostPath) {
    // A host name without a 1252 form keeps its bytes: the path then names
    // nothing, which is what it is to the program.
    auto withBackslashes = [](std::string s) {
        if (std::optional<std::string> windows = WindowsName(s)) s = *windows;
        std::replace(s.begin(), s.end(), '/', '\\');
        return s;
    };
    if (hostPath.is_relative()) return withBackslashes(hostPath.string());
    fs::path normal = hostPath.lexically_normal();
    std::string best;
    size_t bestLength = 0;
    {
        std::lock_guard<std::mutex> guard(Table().lock);
        for (const auto& [key, dir] : Table().shares) {
            fs::path rel = normal.lexically_relative(dir);
            if (rel.empty() || *rel.begin() == "..") continue;
            size_t length = dir.string().size();
            if (length < bestLength) continue;
            bestLength = length;
            std::string tail = rel == "." ? "" : withBackslashes(rel.string());
            best = "\\\\" + key + "\\" + tail;
        }
    }
    if (!best.empty()) return best;
    std::string s = normal.string();
    return "Z:" + withBackslashes(s);
}

ResolvedPath Resolve(const std::string& windowsPath) {
    ResolvedPath result;
    fs::path base;
    std::string rest;
    bool isRoot = false;
    if (windowsPath.empty() || !SplitRoot(windowsPath, base, rest, isRoot)) {
        result.error = FileError::BadPath;
        return result;
    }
    std::vector<std::string> parts = SplitComponents(rest);
    fs::path current = base;
    std::error_code ec;

    // Most paths are spelt as they are stored. Where every component is
    // plain and the whole path exists as written, each component would
    // have matched itself, so one stat answers for the walk below.
    bool plain = true;
    for (const std::string& part : parts) {
        if (!ValidComponent(part)) {
            result.error = FileError::BadPath;
            return result;
        }
        if (part == "." || part == "..") plain = false;
    }
    if (plain && !parts.empty()) {
        fs::path exact = base;
        for (const std::string& part : parts) exact /= HostName(part);
        fs::file_status st = fs::status(exact, ec);
        if (!ec && st.type() != fs::file_type::not_found) {
            result.host = exact;
            result.exists = true;
            result.isDirectory = st.type() == fs::file_type::directory;
            return result;
        }
        ec.clear();
    }

    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string& part = parts[i];
        bool last = i + 1 == parts.size();
        if (!ValidComponent(part)) {
            result.error = FileError::BadPath;
            return result;
        }
        if (part == ".") continue;
        if (part == "..") {
            current = current.parent_path();
            continue;
        }
        std::optional<std::string> match = MatchInFolder(current, part);
        if (!match) {
            if (!last) {
                result.error = FileError::BadPath;
                return result;
            }
            current /= HostName(part);
            result.host = current;
            return result;
        }
        current /= *match;
        if (!last && !fs::is_directory(current, ec)) {
            result.error = FileError::BadPath;
            return result;
        }
    }
    result.host = current;
    fs::file_status st = fs::status(current, ec);
    result.exists = !ec && st.type() != fs::file_type::not_found;
    result.isDirectory = result.exists && st.type() == fs::file_type::directory;
    if (!result.exists && parts.empty()) result.error = FileError::BadPath;
    (void)isRoot;
    return result;
}

// ---- Listing ---------------------------------------------------------------

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    std::string p = Upper(pattern), n = Upper(name);
    // Iterative match with backtracking on the last "*".
    size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && (p[pi] == '*' || p[pi] == '?' || (p[pi] == '.' && pi + 1 == p.size())))
        ++pi;
    // "name.*" also matches "name" without an extension, as DOS does.
    if (pi + 2 == p.size() && p[pi] == '.' && p[pi + 1] == '*') pi = p.size();
    return pi == p.size();
}

std::vector<FindData> ListMatches(const std::string& pattern) {
    std::vector<FindData> found;
    size_t cut = pattern.find_last_of("\\/");
    std::string folder = cut == std::string::npos ? "" : pattern.substr(0, cut + 1);
    std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    if (mask.empty()) return found;

    // The folder is held open and listed through its handle, so a listing
    // never looks around outside the share.
    int dir = -1;
    bool isRoot = false;
    if (folder.empty()) {
        dir = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    } else {
        fs::path base;
        std::string rest;
        if (!SplitRoot(folder, base, rest, isRoot) || OpenFolder(folder, dir) != FileError::None) return found;
    }
    if (dir < 0) return found;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{dir};
    auto describe = [&](const std::string& hostName, const std::string& windowsName) {
        struct stat st {};
        if (::fstatat(dir, hostName.c_str(), &st, 0) != 0) return std::optional<FindData>();
        const bool folder = S_ISDIR(st.st_mode);
        return std::optional<FindData>(FindData{windowsName, folder, folder ? 0 : static_cast<uint64_t>(st.st_size)});
    };

    bool wild = mask.find_first_of("*?") != std::string::npos;
    if (!wild) {
        if (auto match = MatchInFolderAt(dir, mask)) {
            std::optional<std::string> windows = WindowsName(*match);
            if (windows)
                if (auto d = describe(*match, *windows)) found.push_back(*d);
        }
        return found;
    }

    std::vector<FindData> entries;
    for (const std::string& hostName : ListFolderAt(dir)) {
        std::optional<std::string> name = WindowsName(hostName);
        if (!name || !WildcardMatch(mask, *name)) continue;  // no Windows name: not listed
        if (auto d = describe(hostName, *name)) entries.push_back(*d);
        else entries.push_back(FindData{*name, false, 0});  // a dangling link: listed, as a file
    }
    std::sort(entries.begin(), entries.end(), [](const FindData& a, const FindData& b) {
        std::string ua = Upper(a.name), ub = Upper(b.name);
        return ua != ub ? ua < ub : a.name < b.name;
    });
    if (!isRoot) {
        for (const char* dot : {".", ".."})
            if (WildcardMatch(mask, dot)) found.push_back(FindData{dot, true, 0});
    }
    found.insert(found.end(), entries.begin(), entries.end());
    return found;
}

std::string UnlistableFolderReason(const std::string& windowsPath) {
    int dir = -1;
    const FileError e = OpenFolder(windowsPath, dir);
    if (e == FileError::BadPath || e == FileError::FileNotFound) return "";
    if (e != FileError::None) return FileErrorName(e);
    DIR* d = ::fdopendir(dir);
    if (!d) {
        const int err = errno;
        ::close(dir);
        return std::strerror(err);
    }
    errno = 0;
    const bool read = ::readdir(d) != nullptr || errno == 0;
    const int err = errno;
    ::closedir(d);
    return read ? "" : std::strerror(err);
}

bool FileFind::FindFirst(const std::string& pattern) {
    m_entries = ListMatches(pattern);
    m_index = 0;
    return !m_entries.empty();
}

bool FileFind::FindNext() {
    if (m_index + 1 >= m_entries.size()) return false;
    ++m_index;
    return true;
}

void FileFind::Close() {
    m_entries.clear();
    m_index = 0;
}

// ---- Folder and file operations ----------------------------------------------

bool Exists(const std::string& windowsPath) {
    ResolvedPath r = Resolve(windowsPath);
    return r.error == FileError::None && r.exists;
}

bool IsDirectory(const std::string& windowsPath) {
    ResolvedPath r = Resolve(windowsPath);
    return r.error == FileError::None && r.isDirectory;
}

FileError CreateDirectory(const std::string& windowsPath) {
    FolderHandle at;
    FileError e = Anchor(windowsPath, false, at);
    if (e != FileError::None) return e;
    if (::mkdirat(at.fd, at.name.c_str(), 0777) != 0) return errno == EEXIST ? FileError::Other : FromErrno(errno, false);
    return FileError::None;
}

FileError CopyFile(const std::string& from, const std::string& to, bool failIfExists) {
    ReadResult source = ReadWholeFile(from, SIZE_MAX);
    if (source.error != FileError::None) return source.error;
    ResolvedPath target = Resolve(to);
    if (target.error != FileError::None) return target.error;
    if (target.exists && failIfExists) return FileError::Other;  // file exists
    return WriteFileAtomically(to, source.bytes.data(), source.bytes.size());
}

FileError RemoveFile(const std::string& windowsPath) {
    // A link is removed as a link.
    HeldFile file;
    FileError e = HoldFile(windowsPath, false, file);
    return e != FileError::None ? e : RemoveFileIn(file);
}

FileError RemoveFileIn(const HeldFile& file) {
    const FolderHandle& at = file.place;
    struct stat self {}, st {};
    if (::fstatat(at.fd, at.name.c_str(), &self, AT_SYMLINK_NOFOLLOW) != 0) return FromErrno(errno, true);
    // A link goes only when it stays in the share; what it leads to decides
    // whether it may (write-protected, held by another program).
    FolderHandle linked;
    const FolderHandle* target = &at;
    if (S_ISLNK(self.st_mode)) {
        if (FileError e = Anchor(file.path, true, linked); e != FileError::None) return e;
        target = &linked;
    }
    const bool found = ::fstatat(target->fd, target->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (S_ISDIR(self.st_mode) || (found && S_ISDIR(st.st_mode))) return FileError::AccessDenied;
    if (found && NoWriteBits(st)) return FileError::AccessDenied;
    // A file held open elsewhere cannot be deleted.
    if (found && S_ISREG(st.st_mode)) {
        ExclusiveFile probe;
        bool retry = false;
        if (probe.OpenIn(target->fd, target->name, ExclusiveFile::Mode::OpenExisting, retry) == FileError::SharingViolation)
            return FileError::SharingViolation;
    }
    if (::unlinkat(at.fd, at.name.c_str(), 0) != 0) return FromErrno(errno, true);
    ::fsync(at.fd);
    return FileError::None;
}

namespace {

std::optional<FileIdentity> IdentifyAt(int dir, const std::string& name) {
    struct stat st {};
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), S_ISLNK(st.st_mode),
                        static_cast<uint64_t>(st.st_nlink)};
}

}  // namespace

std::optional<FileIdentity> Identify(const std::string& windowsPath, bool followLinks) {
    FolderHandle at;
    if (Anchor(windowsPath, followLinks, at) != FileError::None) return std::nullopt;
    return IdentifyAt(at.fd, at.name);
}

std::optional<FileIdentity> IdentifyIn(const HeldFile& file) { return IdentifyAt(file.place.fd, file.place.name); }

std::optional<FileIdentity> IdentifyFolderOf(const HeldFile& file, bool parent) {
    return IdentifyAt(file.place.fd, parent ? ".." : ".");
}

FileError CheckWritable(const std::string& windowsPath) {
    FolderHandle at;
    FileError e = Anchor(windowsPath, true, at);
    if (e != FileError::None) return e;
    auto folderTakesChanges = [](int dir, const char* name) {
        struct stat folder {};
        return ::fstatat(dir, name, &folder, 0) == 0 && !NoWriteBits(folder) &&
               ::faccessat(dir, name, W_OK | X_OK, AT_EACCESS) == 0;
    };
    if (!folderTakesChanges(at.fd, ".")) return FileError::FolderReadOnly;
    struct stat st {};
    if (::fstatat(at.fd, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return FileError::None;  // to be created
    if (S_ISDIR(st.st_mode))  // a folder: whether files can be made in it
        return folderTakesChanges(at.fd, at.name.c_str()) ? FileError::None : FileError::FolderReadOnly;
    if (!S_ISREG(st.st_mode)) return FileError::NotAFile;
    if (NoWriteBits(st) || ::faccessat(at.fd, at.name.c_str(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0)
        return FileError::AccessDenied;
    ExclusiveFile probe;
    bool retry = false;
    e = probe.OpenIn(at.fd, at.name, ExclusiveFile::Mode::OpenExisting, retry);
    return e == FileError::SharingViolation || e == FileError::AccessDenied ? e : FileError::None;
}

std::vector<std::string> StaleTemporaryFiles(const std::string& folder, int minAgeSeconds) {
    std::vector<std::string> stale;
    int dir = -1;
    if (OpenFolder(folder, dir) != FileError::None) return stale;
    FolderHandle held;
    held.fd = dir;
    const time_t now = ::time(nullptr);
    std::vector<std::string> names = ListFolderAt(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat st {};
        if (!common::IsTemporaryName(name) || ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(st.st_mode) || now - st.st_mtime <= minAgeSeconds)
            continue;
        ExclusiveFile probe;
        bool retry = false;
        if (probe.OpenIn(dir, name, ExclusiveFile::Mode::OpenForReading, retry) == FileError::SharingViolation) continue;
        if (std::optional<std::string> windows = WindowsName(name)) stale.push_back(*windows);
    }
    return stale;
}

// ---- Held folders ------------------------------------------------------------

FileError HoldFolder(const std::string& folder, HeldFolder& out) {
    int fd = -1;
    FileError e = OpenFolder(folder, fd);
    if (e != FileError::None) return e == FileError::FileNotFound ? FileError::BadPath : e;
    out.handle = FolderHandle();
    out.handle.fd = fd;
    out.handle.name = ".";
    out.path = folder.empty() || folder.back() == '\\' || folder.back() == '/' ? folder : folder + "\\";
    return FileError::None;
}

FileError HoldSubfolder(const HeldFolder& parent, const std::string& name, HeldFolder& out) {
    const std::string host = MatchInFolderAt(parent.handle.fd, name).value_or(HostName(name));
    const int fd = ::openat(parent.handle.fd, host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        std::string target;
        if ((err == ELOOP || err == ENOTDIR) && ReadLinkAt(parent.handle.fd, host, target))
            return HoldFolder(parent.path + name, out);
        return err == ENOENT || err == ENOTDIR ? FileError::BadPath : FromErrno(err, false);
    }
    out.handle = FolderHandle();
    out.handle.fd = fd;
    out.handle.name = ".";
    out.path = parent.path + name + "\\";
    return FileError::None;
}

FileError HoldFile(const std::string& path, bool followLink, HeldFile& out) {
    out.place = FolderHandle();
    FileError e = Anchor(path, followLink, out.place);
    if (e == FileError::None) out.path = path;
    return e;
}

namespace {

FileError HoldNameIn(int dir, const std::string& folderPath, const std::string& name, HeldFile& out) {
    out.place = FolderHandle();
    out.place.fd = ::fcntl(dir, F_DUPFD_CLOEXEC, 0);
    if (out.place.fd < 0) return FromErrno(errno, false);
    out.place.name = MatchInFolderAt(dir, name).value_or(HostName(name));
    out.path = folderPath + name;
    return FileError::None;
}

}  // namespace

FileError HoldFileIn(const HeldFolder& folder, const std::string& name, HeldFile& out) {
    return HoldNameIn(folder.handle.fd, folder.path, name, out);
}

FileError HoldFileBeside(const HeldFile& file, const std::string& name, HeldFile& out) {
    const size_t cut = file.path.find_last_of("\\/");
    return HoldNameIn(file.place.fd, cut == std::string::npos ? "" : file.path.substr(0, cut + 1), name, out);
}

FileError HoldFileAbove(const HeldFile& file, const std::string& name, HeldFile& out) {
    // The parent of the folder that is held, wherever its path leads now.
    const int parent = ::openat(file.place.fd, "..", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (parent < 0) return FromErrno(errno, false);
    FolderHandle held;
    held.fd = parent;
    size_t cut = file.path.find_last_of("\\/");
    cut = cut == std::string::npos || cut == 0 ? std::string::npos : file.path.find_last_of("\\/", cut - 1);
    return HoldNameIn(parent, cut == std::string::npos ? "" : file.path.substr(0, cut + 1), name, out);
}

// ---- Exclusive opens ---------------------------------------------------------

ExclusiveFile::~ExclusiveFile() { Close(); }

FileError ExclusiveFile::Open(const std::string& windowsPath, Mode mode) {
    Close();
    // A name that turns into a link between reaching its folder and the
    // open is reached again; one that keeps changing is being changed.
    for (int attempt = 0; attempt < 20; ++attempt) {
        FolderHandle at;
        FileError e = Anchor(windowsPath, true, at);
        if (e != FileError::None) return e;
        bool retry = false;
        e = OpenIn(at.fd, at.name, mode, retry);
        if (!retry) return e;
    }
    return FileError::SharingViolation;
}

FileError ExclusiveFile::OpenIn(int dir, const std::string& name, Mode mode, bool& retry) {
    Close();
    retry = false;
    struct stat st {};
    const bool exists = ::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists && errno != ENOENT) return FromErrno(errno, true);
    if (exists && S_ISLNK(st.st_mode)) {
        retry = true;
        return FileError::SharingViolation;
    }
    if (exists && S_ISDIR(st.st_mode)) return FileError::AccessDenied;
    if (!exists && mode != Mode::CreateTruncate) return FileError::FileNotFound;
    if (exists && !S_ISREG(st.st_mode)) return FileError::NotAFile;
    bool readOnly = exists && NoWriteBits(st);
    if (readOnly && mode != Mode::OpenForReading) return FileError::AccessDenied;

    // Never truncate before the lock is held: another opener's data must
    // survive. O_NONBLOCK keeps a pipe swapped in meanwhile from hanging the
    // open; it is refused just below. O_NOFOLLOW: a link swapped in is
    // reached again from the top.
    const int flags = O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | (mode == Mode::CreateTruncate ? O_CREAT : 0);
    int fd = ::openat(dir, name.c_str(), (readOnly ? O_RDONLY : O_RDWR) | flags, 0666);
    if (fd < 0 && mode == Mode::OpenForReading && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        readOnly = true;
        fd = ::openat(dir, name.c_str(), O_RDONLY | flags);
    }
    if (fd < 0) {
        retry = errno == ELOOP;
        return FromErrno(errno, true);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return FileError::NotAFile;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FileError lock = LockExclusive(fd, readOnly ? F_RDLCK : F_WRLCK);
    if (lock != FileError::None) {
        ::close(fd);
        return lock;
    }
    if (mode == Mode::CreateTruncate && ::ftruncate(fd, 0) != 0) {
        int err = errno;
        ::close(fd);
        return FromErrno(err, true);
    }
    m_fd = fd;
    m_readOnly = readOnly;
    return FileError::None;
}

int64_t ExclusiveFile::Size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return st.st_size;
}

namespace {

// Reads until `size` bytes or the end of the file: from the current position,
// or from `offset` when one is given.
bool ReadFully(int fd, void* data, size_t size, size_t& got, const uint64_t* offset) {
    got = 0;
    auto* p = static_cast<uint8_t*>(data);
    while (got < size) {
        ssize_t n = offset ? ::pread(fd, p + got, size - got, static_cast<off_t>(*offset + got))
                           : ::read(fd, p + got, size - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool ExclusiveFile::Read(void* data, size_t size, size_t& got) { return ReadFully(m_fd, data, size, got, nullptr); }

bool ExclusiveFile::ReadAt(uint64_t offset, void* data, size_t size, size_t& got) {
    return ReadFully(m_fd, data, size, got, &offset);
}

bool ExclusiveFile::Write(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(m_fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ExclusiveFile::Flush() { return m_fd >= 0 && ::fsync(m_fd) == 0; }

void ExclusiveFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_readOnly = false;
}

namespace {

// The rest of a whole-file read, once the file is open.
ReadResult ReadOpened(ExclusiveFile& file, FileError opened, size_t maxSize) {
    ReadResult result;
    result.error = opened;
    if (result.error != FileError::None) return result;
    result.readOnly = file.IsReadOnly();
    int64_t size = file.Size();
    if (size < 0) {
        result.error = FileError::Other;
        return result;
    }
    if (static_cast<uint64_t>(size) > maxSize) {
        result.tooLarge = true;
        return result;
    }
    result.bytes.resize(static_cast<size_t>(size));
    size_t got = 0;
    if (!file.Read(result.bytes.data(), result.bytes.size(), got)) {
        result.error = FileError::Other;
        result.bytes.clear();
        return result;
    }
    result.bytes.resize(got);
    return result;
}

}  // namespace

ReadResult ReadWholeFile(const std::string& windowsPath, size_t maxSize) {
    ExclusiveFile file;
    return ReadOpened(file, file.Open(windowsPath, ExclusiveFile::Mode::OpenForReading), maxSize);
}

ReadResult ReadWholeFileIn(const HeldFile& file, size_t maxSize) {
    ExclusiveFile opened;
    bool retry = false;
    FileError e = opened.OpenIn(file.place.fd, file.place.name, ExclusiveFile::Mode::OpenForReading, retry);
    // A name that turned into a link is not the file that was held.
    return ReadOpened(opened, retry ? FileError::SharingViolation : e, maxSize);
}

FileError WriteFileAtomically(const std::string& windowsPath, const void* data, size_t size) {
    // A link is written through: its target gets the new bytes, so every
    // name that leads there sees them.
    HeldFile file;
    FileError e = HoldFile(windowsPath, true, file);
    return e != FileError::None ? e : WriteFileAtomicallyIn(file, data, size);
}

namespace {

// For the tests only: with MENVOLT_TEST_FAIL_WRITES=N-M in the environment,
// the N-th to the M-th write through a held folder in this process fail as
// on a full disk, so a test can stop a change between its writes and see
// what it says and leaves.
bool InjectedWriteFailure() {
    static long from = 0, to = 0;
    static const bool armed = [] {
        const char* value = std::getenv("MENVOLT_TEST_FAIL_WRITES");
        return value && std::sscanf(value, "%ld-%ld", &from, &to) == 2 && from > 0;
    }();
    static long writes = 0;
    ++writes;
    return armed && writes >= from && writes <= to;
}

}  // namespace

FileError WriteFileAtomicallyIn(const HeldFile& file, const void* data, size_t size) {
    if (InjectedWriteFailure()) return FileError::DiskFull;
    const FolderHandle& at = file.place;
    FileError e = FileError::None;
    struct stat st {};
    const bool exists = ::fstatat(at.fd, at.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && S_ISDIR(st.st_mode)) return FileError::AccessDenied;

    // Hold the target as an exclusive create would, so a read-only target
    // fails with its cause and nobody else opens it meanwhile. Another
    // writer's save takes a moment; wait that long for it, no longer.
    ExclusiveFile holder;
    if (exists) {
        bool retry = false;
        for (int tries = 0; tries < 100; ++tries) {
            e = holder.OpenIn(at.fd, at.name, ExclusiveFile::Mode::OpenExisting, retry);
            if (e != FileError::SharingViolation || retry) break;
            ::usleep(20000);
        }
        if (retry) return FileError::SharingViolation;
        if (e != FileError::None) return e;
    }
    if (int err = common::ReplaceAt(at.fd, at.name, data, size)) return FromErrno(err, true);
    return FileError::None;
}

FileError CreateNewFile(const std::string& folder, const std::function<std::string(unsigned)>& nameFor,
                        const void* data, size_t size, std::string& name) {
    HeldFolder held;
    FileError e = HoldFolder(folder, held);
    return e != FileError::None ? e : CreateNewFileIn(held, nameFor, data, size, name);
}

FileError CreateFileIn(const HeldFile& file, const void* data, size_t size) {
    if (InjectedWriteFailure()) return FileError::DiskFull;
    if (int err = common::CreateNewAt(file.place.fd, file.place.name, data, size)) return FromErrno(err, true);
    ::fsync(file.place.fd);
    return FileError::None;
}

FileError CreateNewFileIn(const HeldFolder& folder, const std::function<std::string(unsigned)>& nameFor,
                          const void* data, size_t size, std::string& name) {
    if (InjectedWriteFailure()) return FileError::DiskFull;
    const int dir = folder.handle.fd;
    std::string temp;
    if (int err = common::WriteTemporaryAt(dir, "new", data, size, common::NewFileMode(), temp)) return FromErrno(err, false);
    auto finish = [&](FileError result) {
        ::unlinkat(dir, temp.c_str(), 0);
        if (result == FileError::None) ::fsync(dir);
        return result;
    };
    for (unsigned attempt = 0; attempt < 1000000; ++attempt) {
        const std::string candidate = nameFor(attempt);
        if (MatchInFolderAt(dir, candidate)) continue;  // taken, in some letter case
        const std::string final = HostName(candidate);
        // A hard link takes the name only while it is free, with every byte
        // already in place.
        if (::linkat(dir, temp.c_str(), dir, final.c_str(), 0) == 0) {
            name = candidate;
            return finish(FileError::None);
        }
        if (errno == EEXIST) continue;
        if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP && errno != ENOSYS && errno != EMLINK)
            return finish(FromErrno(errno, true));
        // No hard links on this file system: claim the name with an
        // exclusive create, then move the bytes onto it.
        int fd = ::openat(dir, final.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_NOFOLLOW | O_CLOEXEC, common::NewFileMode());
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return finish(FromErrno(errno, true));
        }
        ::close(fd);
        if (::renameat(dir, temp.c_str(), dir, final.c_str()) != 0) {
            int err = errno;
            ::unlinkat(dir, final.c_str(), 0);
            return finish(FromErrno(err, true));
        }
        name = candidate;
        return finish(FileError::None);
    }
    return finish(FileError::FileExists);
}

}  // namespace platform
