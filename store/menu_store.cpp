#include "store/menu_store.h"

#include <cstdint>

#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "res/string_table.h"
#include "store/half_done.h"
#include "store/in_use_wait.h"
#include "store/loader_removal.h"
#include "store/menu_entry.h"
#include "store/share_shape.h"
#include "store/sif_file.h"

using platform::FileError;

unsigned FileErrorCause(int platformFileError) {
    switch (static_cast<FileError>(platformFileError)) {
        case FileError::None: return 0;
        case FileError::FileNotFound: return 2;
        case FileError::BadPath: return 3;
        case FileError::AccessDenied: return 5;
        case FileError::SharingViolation: return 11;
        case FileError::DiskFull: return 13;
        case FileError::FileExists: return 5;
        case FileError::NotAFile: return 6;
        case FileError::OutsideShare: return 5;
        case FileError::FolderReadOnly: return 5;
        case FileError::Other: return 1;
    }
    return 1;
}

void MenuStore::Load(const std::string& risRoot, const std::string& language, int tab, bool makeFolders) {
    m_tab = tab;
    m_risRoot = risRoot;
    m_language = language;
    m_folderReady = BuildFolder(makeFolders) != FALSE;
    Refresh();
}

BOOL MenuStore::BuildFolder(bool makeFolders) {
    m_folderProblem.clear();
    m_folder = LanguageFolder();
    bool found = false;
    for (const platform::FindData& match : platform::ListMatches(m_folder))
        found = found || match.isDirectory;
    if (!found) {
        platform::AfxMessageBox(res::FormatString(res::IDS_PATH_NOT_FOUND, m_folder.c_str()), platform::MB_ICONERROR);
        return FALSE;
    }
    // A folder of the chain that is a link out of the share is never
    // entered, listed or written into.
    auto leadsOutside = [this](const std::string& folder) {
        if (!platform::LeadsOutsideShare(folder)) return false;
        m_folderProblem = res::FormatString(res::IDS_FOLDER_OUTSIDE_SHARE, folder.c_str());
        platform::AfxMessageBox(m_folderProblem, platform::MB_ICONERROR);
        return true;
    };
    if (leadsOutside(m_folder)) return FALSE;
    // Each level is attempted whether or not it exists; a level that cannot
    // be made shows up later as an empty list or a failed save.
    for (const std::string& level : EntryFolderChain(m_risRoot, m_language, m_tab)) {
        if (leadsOutside(level)) return FALSE;
        if (makeFolders) platform::CreateDirectory(level);
    }
    m_folder = EntryFolder(m_risRoot, m_language, m_tab);
    return TRUE;
}

void MenuStore::Refresh() {
    m_rows.clear();
    m_skipped.clear();
    // Without the language folder there is nothing to list (and m_folder is
    // only the language folder).
    if (!m_folderReady) return;

    SifFile sif;
    LoaderFile loader;
    platform::FileFind find;
    if (!find.FindFirst(m_folder + "templates\\*.sif")) {
        // Empty, or not readable at all: only the second is worth a word.
        if (const std::string why = platform::UnlistableFolderReason(m_folder + "templates"); !why.empty())
            m_skipped.push_back({m_folder + "templates", "the folder cannot be listed: " + why, false, true});
        return;
    }
    do {
        const std::string path = m_folder + "templates\\" + find.Current().name;
        // A file another reader holds has already been waited for.
        platform::FileError why = platform::FileError::None;
        if (!sif.Load(path)) {
            platform::ExclusiveFile probe;
            why = probe.Open(path, platform::ExclusiveFile::Mode::OpenForReading);
            if (why == platform::FileError::None) why = platform::FileError::Other;  // opens, but not its text
        }
        if (why != platform::FileError::None) {  // cannot be opened even for reading, or leads outside the share
            m_skipped.push_back({path,
                                 why == platform::FileError::OutsideShare
                                     ? std::string("it is a link that leads outside the share")
                                     : std::string("it cannot be opened: ") + platform::FileErrorName(why),
                                 why == platform::FileError::SharingViolation});
            continue;
        }
        MenuRow row{sif.GetDescription(), path, EntryKind::Unresolved, sif.IsReadOnly(),
                    platform::Identify(path, false)};
        const std::string launchFile = sif.GetLaunchFile();
        if (!launchFile.empty() && IsInsideShare(m_risRoot, launchFile)) {
            if (loader.Open(m_risRoot + launchFile))
                row.kind = loader.GetItemCount() >= 2 ? EntryKind::Submenu : EntryKind::Single;
            row.readOnly = row.readOnly || loader.IsReadOnly();
        }
        m_rows.push_back(std::move(row));
    } while (find.FindNext());
    find.Close();
}

const MenuRow& MenuStore::Row(int index) const {
    static const MenuRow none;
    return index >= 0 && index < GetCount() ? m_rows[index] : none;
}

int MenuStore::FindBySifPath(const std::string& sifPath) const {
    for (int i = 0; i < GetCount(); ++i)
        if (m_rows[i].sifPath == sifPath) return i;
    return -1;
}

int MenuStore::FindByDescription(const std::string& text) const {
    for (int i = 0; i < GetCount(); ++i)
        if (m_rows[i].description == text) return i;
    return -1;
}

BOOL MenuStore::CreateEntry(std::string& description) {
    // Without the language folder the entry's files would land in the Setup
    // folder itself: refuse, as loading did.
    if (!m_folderReady) {
        platform::AfxMessageBox(m_folderProblem.empty() ? res::FormatString(res::IDS_PATH_NOT_FOUND, LanguageFolder().c_str())
                                                        : m_folderProblem,
                                platform::MB_ICONERROR);
        return FALSE;
    }
    MenuEntry entry(m_risRoot);
    if (!entry.RunCreateWizard(m_folder)) return FALSE;
    Refresh();
    description = entry.m_sif.GetDescription();
    return TRUE;
}

BOOL MenuStore::EditEntry(int index) {
    if (index < 0 || index >= GetCount()) return FALSE;
    MenuEntry entry(m_risRoot);
    if (entry.Open(m_rows[index].sifPath)) {
        // A file the sheet would only make worse is not opened for editing.
        std::string problem = entry.m_sif.EditProblem();
        if (!problem.empty()) {
            platform::AfxMessageBox(problem, platform::MB_OK | platform::MB_ICONERROR);
            return FALSE;
        }
    }
    return entry.RunPropertySheet();
}

BOOL MenuStore::DeleteEntry(int index, const platform::FileIdentity* expected) {
    if (index < 0 || index >= GetCount()) return TRUE;
    // A copy: the refresh at the end replaces the rows.
    const std::string sifPath = m_rows[index].sifPath;
    MenuEntry entry(m_risRoot);

    auto report = [](const std::string& path, FileError error) {
        platform::AfxMessageBox(
            res::FormatString(res::IDS_REMOVE_FAILED, path.c_str(), FileErrorCause(static_cast<int>(error))),
            platform::MB_ICONERROR);
    };
    auto refuse = [this](const std::string& why) {
        platform::AfxMessageBox(res::FormatString(res::IDS_REMOVE_REFUSED, why.c_str()), platform::MB_ICONERROR);
        Refresh();
        return FALSE;
    };
    // Without its text there is no telling which loader goes with it.
    if (!entry.Open(sifPath)) {
        const FileError why = platform::ReadWholeFile(sifPath, SIZE_MAX).error;
        report(sifPath, why == FileError::None ? FileError::Other : why);
        Refresh();
        return FALSE;
    }

    // Decided while the OSChooser file is still there to tell this entry
    // from the others that may name the same loader.
    const std::string launchFile = entry.m_sif.GetLaunchFile();
    const std::string loaderPath = m_risRoot + launchFile;
    const size_t cut = loaderPath.find_last_of('\\');
    // The common case, a loader in the entry's own folder, is reached from
    // the OSChooser file's held folder, so a swap of the entry folder
    // cannot pass it off as lying outside the share.
    const std::string loaderName = cut == std::string::npos ? "" : loaderPath.substr(cut + 1);
    const bool ownFolder = !launchFile.empty() && loaderPath.compare(0, cut + 1, EntryFolderOf(sifPath)) == 0 &&
                           loaderName.find_first_of(":/") == std::string::npos &&
                           loaderName.find_last_not_of(". ") != std::string::npos;
    bool inside = !launchFile.empty() && (ownFolder || IsInsideShare(m_risRoot, launchFile));
    // Both files are reached once, before anything is judged or removed,
    // and judged, removed and put back only through those places: by the
    // path, a folder swapped for a link meanwhile would make the verdict on
    // one tree and the removal in another, or turn the undo away.
    platform::HeldFile sif, loader;
    FileError error = platform::HoldFile(sifPath, false, sif);
    if (error != FileError::None) return refuse(sifPath + ": " + platform::FileErrorName(error) + ".");
    if (expected) {
        const std::optional<platform::FileIdentity> held = platform::IdentifyIn(sif);
        if (!held || !held->SameFile(*expected)) return refuse(sifPath + " changed while it was being removed.");
    }
    // A loader whose folder is gone is not there to remove.
    if (inside && (error = ownFolder ? platform::HoldFileAbove(sif, loaderName, loader)
                                     : platform::HoldFile(loaderPath, false, loader)) != FileError::None &&
        error != FileError::BadPath)
        return refuse(loaderPath + ": " + platform::FileErrorName(error) + ".");
    // Only a link in the entry's folder can lead its loader out of the share.
    if (ownFolder) {
        const std::optional<platform::FileIdentity> held = platform::IdentifyIn(loader);
        inside = !(held && held->isLink && platform::LeadsOutsideShare(loaderPath));
    }
    // A loader another program holds is waited for a moment (a save takes
    // that long); one held longer is reported below, never judged unread.
    if (inside) WaitWhileInUse([&] { return platform::CheckWritable(loaderPath); });
    const std::string keep = inside ? WhyLoaderIsKept(m_risRoot, sif, loader) : "";

    const bool removesLoader = inside && platform::IdentifyIn(loader) &&
                               (keep.empty() || platform::CheckWritable(loaderPath) == FileError::SharingViolation);

    // Whole or not at all: both files are checked before either goes, so a
    // removal that cannot finish leaves the entry as it was.
    for (const std::string& path : {sifPath, removesLoader ? loaderPath : std::string()}) {
        if (path.empty()) continue;
        if (std::string why = WhyNotWritable(path); !why.empty()) return refuse(why);
    }
    // Only a plain file of one name loses its loader (WhyLoaderIsKept), so
    // its bytes are all it takes to put it back should the loader not go.
    platform::ReadResult before;
    if (removesLoader && (before = platform::ReadWholeFileIn(sif, SIZE_MAX)).error != FileError::None) {
        report(sifPath, before.error);
        Refresh();
        return FALSE;
    }
    BOOL whole = TRUE;
    error = platform::RemoveFileIn(sif);
    if (error != FileError::None) {
        report(sifPath, error);
        whole = FALSE;
    } else if (!launchFile.empty()) {
        if (!inside) {
            platform::AfxMessageBox(res::IDS_OUTSIDE_SHARE, platform::MB_ICONWARNING);
        } else if (!keep.empty()) {
            platform::AfxMessageBox(res::FormatString(res::IDS_LOADER_KEPT, loaderPath.c_str(), keep.c_str()),
                                    platform::MB_ICONWARNING);
        } else if (removesLoader) {
            error = platform::RemoveFileIn(loader);
            if (error != FileError::None) {
                report(loaderPath, error);
                const FileError undo = platform::CreateFileIn(sif, before.bytes.data(), before.bytes.size());
                if (undo == FileError::None)
                    platform::AfxMessageBox(res::FormatString(res::IDS_REMOVE_UNDONE, loaderPath.c_str(), sifPath.c_str()),
                                            platform::MB_ICONERROR);
                else
                    platform::AfxMessageBox(res::FormatString(res::IDS_REMOVE_HALF_DONE, sifPath.c_str(),
                                                              loaderPath.c_str(), platform::FileErrorName(undo),
                                                              HalfDoneNoteText(NoteLoaderLeft(loader)).c_str()),
                                            platform::MB_ICONERROR);
                whole = FALSE;
            }
        }
    }
    Refresh();
    return whole;
}
