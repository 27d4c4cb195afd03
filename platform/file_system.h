// File and folder services with the semantics of the Windows calls the editor
// was designed against, on a POSIX host:
//  - paths are Windows paths: "\\COMPUTER\Share\dir\file", "X:\dir\file" or
//    relative "dir\file"; only this layer turns them into host paths;
//  - names are Windows-1252 like every string of the program, and UTF-8 on
//    the host: resolving turns them into UTF-8, listing back into 1252, and a
//    host name with no 1252 form is not listed and cannot be named;
//  - names match without regard to letter case, and listings come in the order
//    NTFS gives them (names compared upper-cased), so they are stable;
//  - opens are exclusive (read/write, no sharing) and enforced between
//    processes with open-file-description locks;
//  - a file without any write permission bit is read-only, even for root.
// A Windows build implements the same functions with the real calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/folder_handle.h"

namespace platform {

// Why a file operation failed, in the causes the framework's file exception
// reports.
enum class FileError {
    None,
    FileNotFound,      // the file itself does not exist
    BadPath,           // a folder of the path is missing, or the name is invalid
    AccessDenied,      // read-only file, no permission, or a folder where a file is expected
    SharingViolation,  // another open holds the file
    DiskFull,          // no space left on the disk (or the user's quota is used up)
    FileExists,        // an exclusive create found the name taken
    NotAFile,          // a pipe, device or socket stands where a file is expected
    OutsideShare,      // a link leads out of the share's folder
    FolderReadOnly,    // the folder that holds the file takes no changes
    Other,             // anything else, including read and write errors
};
const char* FileErrorName(FileError error);

// ---- Share table ---------------------------------------------------------
// Maps "\\COMPUTER\SHARE" roots and drive letters to host folders. Names are
// compared without regard to case.
void MapShare(const std::string& computer, const std::string& share,
              const std::filesystem::path& hostDir);
void MapDrive(char letter, const std::filesystem::path& hostDir);
void ClearMappings();

// The Windows path under which a host path is reached: through the longest
// mapped share that contains it, else through drive Z:, which stands for the
// host's root folder. Relative host paths keep their form, with backslashes.
std::string ToWindowsPath(const std::filesystem::path& hostPath);

// Resolves a Windows path to the host path (UTF-8) it names. Every folder component
// must exist (matched ignoring case); the last component is matched ignoring
// case when something of that name exists, else kept as written.
// Returns BadPath for an unmapped share or drive, a missing folder or an
// empty name.
struct ResolvedPath {
    std::filesystem::path host;
    FileError error = FileError::None;
    bool exists = false;
    bool isDirectory = false;
};
ResolvedPath Resolve(const std::string& windowsPath);

// True when a path below a mapped share reaches, through a symbolic link,
// a place outside the share's real folder (for a missing file: when its
// folder does). Such a path is never listed, read, written or removed:
// every operation below reaches its file through a folder handle held from
// the share's folder (folder_handle.h), and refuses with OutsideShare.
// Paths on drives or the host are not confined.
bool LeadsOutsideShare(const std::string& windowsPath);

// ---- Listing -------------------------------------------------------------
struct FindData {
    std::string name;        // as stored on the host, in Windows-1252
    bool isDirectory = false;
    uint64_t size = 0;
};

// Find-first/find-next over one folder with DOS wildcards in the last
// component ("*", "?", and "*.*" for every name). Folders other than a share
// or drive root list "." and ".." first, as Windows does.
class FileFind {
public:
    // Returns false when nothing matches (the folder is missing, or no name fits).
    bool FindFirst(const std::string& pattern);
    bool FindNext();
    const FindData& Current() const { return m_entries[m_index]; }
    void Close();

private:
    std::vector<FindData> m_entries;
    size_t m_index = 0;
};

// All matches of a pattern, in listing order.
std::vector<FindData> ListMatches(const std::string& pattern);

// Why a folder that is there cannot be listed (the host's words); "" when
// it can, or when nothing is there. Listing itself tells an unreadable
// folder from an empty one by nothing.
std::string UnlistableFolderReason(const std::string& windowsPath);

// True when a DOS wildcard pattern matches a name, ignoring case.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// ---- Folder and file operations -------------------------------------------
bool Exists(const std::string& windowsPath);
bool IsDirectory(const std::string& windowsPath);
FileError CreateDirectory(const std::string& windowsPath);  // fails when present
FileError CopyFile(const std::string& from, const std::string& to, bool failIfExists);
FileError RemoveFile(const std::string& windowsPath);

// What a path names, told apart from every other file by device and inode
// (links followed, or the link itself); nullopt when nothing is there.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool isLink = false;
    uint64_t names = 1;  // hard links: the directory entries that name this file
    bool SameFile(const FileIdentity& other) const { return device == other.device && inode == other.inode; }
};
std::optional<FileIdentity> Identify(const std::string& windowsPath, bool followLinks);

// Whether a file could be written (replaced, created or removed) now: its
// folder takes changes and the file, if there, is a regular file with a
// write permission bit that no other program holds. A folder without any
// write permission bit is read-only, even for root. None when it could;
// else the cause (AccessDenied for a write-protected file, FolderReadOnly
// for its folder, SharingViolation for a file another program holds).
// For a folder: whether files can be made in it (None or FolderReadOnly).
FileError CheckWritable(const std::string& windowsPath);

// Temporary files (named as file_replace.h says) in a folder that no
// program holds and that were last written more than `minAgeSeconds` ago:
// leftovers of a program stopped mid-write. Their names, in listing order.
std::vector<std::string> StaleTemporaryFiles(const std::string& folder, int minAgeSeconds);

// ---- Exclusive opens -----------------------------------------------------
class ExclusiveFile {
public:
    // OpenForReading opens as OpenExisting does; a file this user may read
    // but not write is then opened for reading only, shared with other
    // readers and never with a writer, and IsReadOnly() tells so.
    enum class Mode { OpenExisting, CreateTruncate, OpenForReading };

    ExclusiveFile() = default;
    ExclusiveFile(const ExclusiveFile&) = delete;
    ExclusiveFile& operator=(const ExclusiveFile&) = delete;
    ~ExclusiveFile();

    FileError Open(const std::string& windowsPath, Mode mode);
    bool IsOpen() const { return m_fd >= 0; }
    bool IsReadOnly() const { return m_readOnly; }
    // Size as the file system reports it; -1 on error.
    int64_t Size() const;
    // Reads up to size bytes from the current position; false on a read error.
    bool Read(void* data, size_t size, size_t& got);
    // The same from `offset`, leaving the current position alone.
    bool ReadAt(uint64_t offset, void* data, size_t size, size_t& got);
    // Writes every byte; false on a write error.
    bool Write(const void* data, size_t size);
    bool Flush();
    void Close();

    // The same for `name` in the open folder `dir`. `retry` is set when the
    // name turned into a link meanwhile (it is then not followed).
    FileError OpenIn(int dir, const std::string& name, Mode mode, bool& retry);

private:
    int m_fd = -1;
    bool m_readOnly = false;
};

// Reads a whole file through an exclusive open. Fails with the open's cause,
// or with Other on a read error. When the file is larger than
// maxSize, fails with `tooLarge` set and nothing read.
// A file this user may only read is read all the same, with readOnly set.
struct ReadResult {
    FileError error = FileError::None;
    bool tooLarge = false;
    bool readOnly = false;
    std::vector<uint8_t> bytes;
};
ReadResult ReadWholeFile(const std::string& windowsPath, size_t maxSize);

// Replaces (or creates) a file so that it is never seen half-written: the
// target is first opened exclusively (so a read-only target fails with its
// cause; one another writer holds is waited for a moment), the bytes go to a
// temporary file beside it, are flushed, and only then take the target's
// place. A target that is a symbolic link is written through: the file it
// leads to is replaced and the link stays.
FileError WriteFileAtomically(const std::string& windowsPath, const void* data, size_t size);

// Creates a new file in `folder` under the first name nameFor(0),
// nameFor(1), ... that nobody holds, complete or not at all: the bytes are
// written beside it first and then take the name only if it is still free,
// so two writers never get the same name. `name` receives the name used.
FileError CreateNewFile(const std::string& folder, const std::function<std::string(unsigned)>& nameFor,
                        const void* data, size_t size, std::string& name);

// ---- Held folders ---------------------------------------------------------
// A change of several files (a new entry, an edit, a removal) reaches each
// folder it writes in once, before its first write, and makes every step
// and every undo through what it holds. A folder of the path swapped
// meanwhile (with a link to elsewhere, say) then cannot split the change
// across two trees, nor turn away the undo of a step already made.

// A folder held open, and the Windows path it was reached by (ending with
// a backslash), for messages and for the names of what is made in it.
struct HeldFolder {
    FolderHandle handle;  // the folder itself, name "."
    std::string path;
};

// A file's folder held open and the file's host name in it, and the Windows
// path it was reached by.
struct HeldFile {
    FolderHandle place;
    std::string path;
};

// Holds the folder a path names (links followed, within the share).
FileError HoldFolder(const std::string& folder, HeldFolder& out);
// Holds the folder `name` (a Windows name, matched ignoring case) of a held
// folder. A name that is a link is reached from the share's folder instead,
// and only while it stays inside the share.
FileError HoldSubfolder(const HeldFolder& parent, const std::string& name, HeldFolder& out);
// Holds a file's folder; with followLink, that of the file a link in the
// last place leads to (as a write goes through a link), else the link's own.
FileError HoldFile(const std::string& path, bool followLink, HeldFile& out);
// The file `name` (matched ignoring case, kept as written when there is no
// such file) in a held folder.
FileError HoldFileIn(const HeldFolder& folder, const std::string& name, HeldFile& out);
// The file `name` in the folder of a held file, or in that folder's parent.
FileError HoldFileBeside(const HeldFile& file, const std::string& name, HeldFile& out);
FileError HoldFileAbove(const HeldFile& file, const std::string& name, HeldFile& out);

// What a held file is (the link itself, when it is one), and the folder it
// lies in or, with `parent`, that folder's parent; nullopt when nothing is
// there.
std::optional<FileIdentity> IdentifyIn(const HeldFile& file);
std::optional<FileIdentity> IdentifyFolderOf(const HeldFile& file, bool parent);

// ReadWholeFile, WriteFileAtomically, RemoveFile and CreateNewFile through
// held folders.
ReadResult ReadWholeFileIn(const HeldFile& file, size_t maxSize);
FileError WriteFileAtomicallyIn(const HeldFile& file, const void* data, size_t size);
FileError RemoveFileIn(const HeldFile& file);
// Creates `file` whole, only while nothing has its name.
FileError CreateFileIn(const HeldFile& file, const void* data, size_t size);
FileError CreateNewFileIn(const HeldFolder& folder, const std::function<std::string(unsigned)>& nameFor,
                          const void* data, size_t size, std::string& name);

}  // namespace platform
