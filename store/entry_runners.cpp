#include "entry_runners.h"

#include "menu_entry.h"
#include "message_box.h"
#include "resource.h"

std::string RelativeEntryFolder(const std::string& risRoot, const std::string& folder) {
    if (!risRoot.empty() && folder.size() >= risRoot.size() && folder.compare(0, risRoot.size(), risRoot) == 0)
        return folder.substr(risRoot.size());
    // Only for a folder the root does not lead to: the search would also stop
    // at a computer name that begins with "Setup".
    size_t at = folder.find("\\Setup");
    return at == std::string::npos ? std::string() : folder.substr(at + 1);
}

void WriteNewEntry(MenuEntry& entry, const std::string& folder) {
    entry.m_folder = folder;
    const std::string relative = RelativeEntryFolder(entry.m_risRoot, entry.m_folder);
    std::string loaderName, sifName;
    entry.AllocateFileNames(loaderName, sifName);
    entry.m_loader.SetServerPath(relative);
    // A failed loader save has shown its message; the OSChooser file is still
    // written and the store's refresh shows what exists.
    entry.m_loader.SaveAs(entry.m_folder + loaderName);
    entry.m_sif.SetValue("LaunchFile", relative + loaderName);
    entry.m_sif.SetVersion(entry.m_loader.GetVersion());
    entry.m_sif.SaveAs(entry.m_folder + sifName);
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
    BOOL ok = entry.m_sif.Save();
    if (!entry.m_loaderOpened) {
        // Writing would put the template, or a refused file's remains, over
        // what is on disk (or create a loader nobody asked for).
        platform::AfxMessageBox(res::IDS_LOADER_NOT_SAVED, platform::MB_OK | platform::MB_ICONWARNING);
        return FALSE;
    }
    if (!entry.m_loader.Save()) ok = FALSE;
    return ok;
}
