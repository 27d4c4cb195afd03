#include "store/entry_runners.h"

#include <cstdint>

#include "platform/file_system.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "store/half_done.h"
#include "store/menu_entry.h"

std::string RelativeEntryFolder(const std::string& risRoot, const std::string& folder) {
    if (!risRoot.empty() && folder.size() >= risRoot.size() && folder.compare(0, risRoot.size(), risRoot) == 0)
        return folder.substr(risRoot.size());
    // Only for a folder the root does not lead to: the search would also stop
    // at a computer name that begins with "Setup".
    size_t at = folder.find("\\Setup");
    return at == std::string::npos ? std::string() : folder.substr(at + 1);
}

namespace {

void ShowError(const std::string& text) { platform::AfxMessageBox(text, platform::MB_OK | platform::MB_ICONERROR); }

// The held place of a file the edit is about to write; FALSE after the
// message when it cannot be reached (nothing is written then).
BOOL HoldForEdit(const std::string& path, platform::HeldFile& out) {
    const platform::FileError e = platform::HoldFile(path, true, out);
    if (e == platform::FileError::None) return TRUE;
    ShowError(res::FormatString(res::IDS_EDIT_REFUSED, (path + ": " + platform::FileErrorName(e) + ".").c_str()));
    return FALSE;
}

}  // namespace

BOOL WriteNewEntry(MenuEntry& entry, const std::string& folder) {
    // Both folders are checked before anything is written: a folder without
    // any write permission bit takes no new entry, even for root.
    if (std::string why = entry.WriteProblem(folder); !why.empty()) {
        ShowError(res::FormatString(res::IDS_CREATE_REFUSED, why.c_str()));
        return FALSE;
    }
    // Both folders are held before the first write, and the loader is taken
    // back through its folder's handle: by the path, a folder swapped for a
    // link meanwhile would put the two files in different trees, or refuse
    // the undo.
    platform::HeldFolder entryFolder, templates;
    platform::FileError held = platform::HoldFolder(folder, entryFolder);
    if (held == platform::FileError::None) held = platform::HoldSubfolder(entryFolder, "templates", templates);
    if (held != platform::FileError::None) {
        ShowError(res::FormatString(res::IDS_CREATE_REFUSED, (folder + ": " + platform::FileErrorName(held) + ".").c_str()));
        return FALSE;
    }
    entry.m_folder = folder;
    const std::string relative = RelativeEntryFolder(entry.m_risRoot, entry.m_folder);
    entry.m_loader.SetServerPath(relative);
    // Both names are taken by creating the files exclusively, so a create
    // running at the same moment (another editor, the command line) moves
    // on to the next free name instead of sharing this one.
    std::string loaderName;
    if (!entry.m_loader.SaveNewIn(entryFolder, loaderName)) return FALSE;  // it said why; nothing written
    entry.m_sif.SetValue("LaunchFile", relative + loaderName);
    entry.m_sif.SetVersion(entry.m_loader.GetVersion());
    const std::string stem = loaderName.substr(0, loaderName.size() - 4);
    if (entry.m_sif.SaveNewIn(templates, stem)) return TRUE;
    // All or nothing: a loader no OSChooser file names would only be an
    // orphan.
    platform::HeldFile loader;
    platform::FileError undo = platform::HoldFileIn(entryFolder, loaderName, loader);
    if (undo == platform::FileError::None) undo = platform::RemoveFileIn(loader);
    if (undo != platform::FileError::None)
        ShowError(res::FormatString(res::IDS_CREATE_HALF_DONE, entry.m_loader.GetPath().c_str(),
                                    platform::FileErrorName(undo), HalfDoneNoteText(NoteLoaderLeft(loader)).c_str()));
    return FALSE;
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
        ShowError(res::FormatString(res::IDS_EDIT_REFUSED, why.c_str()));
        return FALSE;
    }
    // Both files are reached once, before either is written, and the
    // OSChooser file is put back through the same handle: by the path, a
    // folder swapped for a link meanwhile would turn the undo away.
    platform::HeldFile sif, loader;
    if (!HoldForEdit(entry.m_sif.GetPath(), sif) || !HoldForEdit(entry.m_loader.GetPath(), loader)) return FALSE;
    const platform::ReadResult before = platform::ReadWholeFileIn(sif, SIZE_MAX);
    if (before.error != platform::FileError::None) {
        ShowError(res::FormatString(res::IDS_EDIT_REFUSED,
                                    (sif.path + ": " + platform::FileErrorName(before.error) + ".").c_str()));
        return FALSE;
    }
    if (!entry.m_sif.SaveIn(sif)) return FALSE;  // it said why; nothing written
    if (entry.m_loader.SaveIn(loader)) {
        ForgetHalfDone(sif);
        return TRUE;
    }
    const platform::FileError undo = platform::WriteFileAtomicallyIn(sif, before.bytes.data(), before.bytes.size());
    if (undo == platform::FileError::None)
        ShowError(res::FormatString(res::IDS_EDIT_UNDONE, sif.path.c_str()));
    else
        ShowError(res::FormatString(res::IDS_EDIT_HALF_DONE, sif.path.c_str(), loader.path.c_str(),
                                    platform::FileErrorName(undo),
                                    HalfDoneNoteText(NoteEditToUndo(sif, before.bytes)).c_str()));
    return FALSE;
}
