#include "store/entry_runners.h"

#include <cstdint>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "store/menu_entry.h"

std::string RelativeEntryFolder(const std::string& risRoot, const std::string& folder) {
    if (!risRoot.empty() && folder.size() >= risRoot.size() && folder.compare(0, risRoot.size(), risRoot) == 0)
        return folder.substr(risRoot.size());
    // Only for a folder the root does not lead to: the search would also stop
    // at a computer name that begins with "Setup".
    size_t at = folder.find("\\Setup");
    return at == std::string::npos ? std::string() : folder.substr(at + 1);
}

BOOL WriteNewEntry(MenuEntry& entry, const std::string& folder) {
    // Both folders are checked before anything is written: a folder without
    // any write permission bit takes no new entry, even for root.
    if (std::string why = entry.WriteProblem(folder); !why.empty()) {
        platform::AfxMessageBox(res::FormatString(res::IDS_CREATE_REFUSED, why.c_str()), platform::MB_OK | platform::MB_ICONERROR);
        return FALSE;
    }
    entry.m_folder = folder;
    const std::string relative = RelativeEntryFolder(entry.m_risRoot, entry.m_folder);
    entry.m_loader.SetServerPath(relative);
    // Both names are taken by creating the files exclusively, so a create
    // running at the same moment (another editor, the command line) moves
    // on to the next free name instead of sharing this one.
    std::string loaderName;
    if (!entry.m_loader.SaveNew(entry.m_folder, loaderName)) return FALSE;  // it said why; nothing written
    entry.m_sif.SetValue("LaunchFile", relative + loaderName);
    entry.m_sif.SetVersion(entry.m_loader.GetVersion());
    const std::string stem = loaderName.substr(0, loaderName.size() - 4);
    if (!entry.m_sif.SaveNew(entry.m_folder + "templates\\", stem)) {
        // All or nothing: a loader no OSChooser file names would only be
        // an orphan.
        platform::RemoveFile(entry.m_folder + loaderName);
        return FALSE;
    }
    return TRUE;
}

void StartMissingLoader(MenuEntry& entry) {
    if (!entry.m_loaderMissing || entry.m_loaderOpened) return;
    const std::string launchFile = entry.m_sif.GetLaunchFile();
    const size_t cut = launchFile.find_last_of('\\');
    entry.m_loader.SetServerPath(cut == std::string::npos ? std::string() : launchFile.substr(0, cut + 1));
    entry.m_loader.m_error = 0;
    entry.m_loaderOpened = TRUE;
}

void MarkUnopenedLoader(MenuEntry& entry) {
    if (!entry.m_loaderOpened && entry.m_loader.m_error == 0) entry.m_loader.m_error = res::IDS_LOADER_NOT_SAVED;
}

BOOL WriteEditedEntry(MenuEntry& entry) {
    if (!entry.m_loaderOpened) {
        // Writing would put the template, or a refused file's remains, over
        // what is on disk (or create a loader nobody asked for).
        entry.m_sif.Save();
        platform::AfxMessageBox(res::IDS_LOADER_NOT_SAVED, platform::MB_OK | platform::MB_ICONWARNING);
        return FALSE;
    }
    // Whole or not at all: both files are checked before either is written,
    // and the OSChooser file is put back when the loader fails after all.
    if (std::string why = entry.WriteProblem(); !why.empty()) {
        platform::AfxMessageBox(res::FormatString(res::IDS_EDIT_REFUSED, why.c_str()), platform::MB_OK | platform::MB_ICONERROR);
        return FALSE;
    }
    const platform::ReadResult before = platform::ReadWholeFile(entry.m_sif.GetPath(), SIZE_MAX);
    if (!entry.m_sif.Save()) return FALSE;  // it said why; nothing written
    if (entry.m_loader.Save()) return TRUE;
    if (before.error == platform::FileError::None &&
        platform::WriteFileAtomically(entry.m_sif.GetPath(), before.bytes.data(), before.bytes.size()) ==
            platform::FileError::None)
        platform::AfxMessageBox(res::FormatString(res::IDS_EDIT_UNDONE, entry.m_sif.GetPath().c_str()),
                                platform::MB_OK | platform::MB_ICONERROR);
    return FALSE;
}
