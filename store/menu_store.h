// MenuStore: the entries of one installation language and one tab, as a
// snapshot of the OSChooser files in the vendor's templates folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win_types.h"
#include "store/share_shape.h"

enum class EntryKind : uint32_t {
    Single = 0,      // the loader holds fewer than 2 items
    Submenu = 1,     // the loader holds 2 or more items
    Unresolved = 2,  // no LaunchFile, or its loader cannot be opened or lies outside the share
};

// An OSChooser file the listing could not take in, and why.
struct SkippedFile {
    std::string path;
    std::string reason;
    bool busy = false;      // another program holds the file: it is there
    bool isFolder = false;  // a whole folder of entries, not one file
};

// One listed entry: its OSChooser file and what the listing learnt of it.
struct MenuRow {
    std::string description;
    std::string sifPath;  // full Windows path
    EntryKind kind = EntryKind::Unresolved;
    bool readOnly = false;  // this user may read the entry's files but not write them
    // The OSChooser file itself (a link's own), so a command can tell it
    // from one put in its place: a path and a list position can both move.
    std::optional<platform::FileIdentity> identity;
};

class MenuStore {
public:
    // Remembers where to look, builds the folder chain and re-reads it.
    // Without `makeFolders` (a command that only reads) nothing is created:
    // a missing folder lists as empty.
    void Load(const std::string& risRoot, const std::string& language, int tab, bool makeFolders = true);
    // Creates the tab, vendor, i386 and templates folders as needed; FALSE
    // (after its message) when the language folder itself is missing.
    BOOL BuildFolder(bool makeFolders = true);
    void Refresh();

    int GetCount() const { return static_cast<int>(m_rows.size()); }
    const std::vector<MenuRow>& Rows() const { return m_rows; }
    // The row at `index`; an empty, unresolved row when there is none.
    const MenuRow& Row(int index) const;
    // OSChooser files left out of the list: unreadable, or leading out of
    // the share through a link.
    const std::vector<SkippedFile>& GetSkipped() const { return m_skipped; }
    // Why the folder chain is not used ("" when it is).
    const std::string& GetFolderProblem() const { return m_folderProblem; }
    // First entry whose description is byte-for-byte equal, or -1.
    int FindByDescription(const std::string& text) const;

    BOOL CreateEntry(std::string& description);
    BOOL EditEntry(int index);
    // Removes the entry's OSChooser file and then its loader, unless that
    // is not plainly the entry's own loader (see WhyLoaderIsKept). Both are
    // checked first and nothing is removed when either cannot be; when the
    // loader fails after all, the OSChooser file is put back (or the removal
    // said to be half-done and noted for verify). FALSE (after its message)
    // when not all it set out to remove was removed. With `expected`, the
    // OSChooser file must still be that file (device and inode) once held:
    // one put in its place since it was chosen is refused, not removed.
    BOOL DeleteEntry(int index, const platform::FileIdentity* expected = nullptr);
    // The row listing the OSChooser file `sifPath`, or -1.
    int FindBySifPath(const std::string& sifPath) const;

    const std::string& GetFolder() const { return m_folder; }
    const std::string& GetRisRoot() const { return m_risRoot; }
    std::string LanguageFolder() const { return ::LanguageFolder(m_risRoot, m_language); }

private:
    std::string m_risRoot;
    std::string m_language;
    std::vector<MenuRow> m_rows;
    int m_tab = 0;
    std::string m_folder;
    std::vector<SkippedFile> m_skipped;
    std::string m_folderProblem;
    bool m_folderReady = false;
};

// The file-error cause number the removal message shows.
unsigned FileErrorCause(int platformFileError);
