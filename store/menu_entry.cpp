#include "store/menu_entry.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "res/string_table.h"
#include "store/in_use_wait.h"

namespace {
CreateWizardRunner g_createWizard = nullptr;
PropertySheetRunner g_propertySheet = nullptr;
}  // namespace

bool IsInsideShare(const std::string& risRoot, const std::string& relativePath) {
    if (relativePath.empty()) return false;
    if (relativePath[0] == '\\' || relativePath[0] == '/') return false;  // absolute or UNC
    if (relativePath.find(':') != std::string::npos) return false;      // drive letter or stream
    // A LaunchFile never climbs: Windows ignores trailing dots and blanks,
    // so "..." and ".. " climb too.
    size_t start = 0;
    while (start <= relativePath.size()) {
        size_t end = relativePath.find_first_of("\\/", start);
        if (end == std::string::npos) end = relativePath.size();
        const std::string part = relativePath.substr(start, end - start);
        if (part.find("..") != std::string::npos && part.find_last_not_of(". ") == std::string::npos) return false;
        start = end + 1;
    }
    return !platform::LeadsOutsideShare(risRoot + relativePath);
}

std::string WhereOnThisComputer(const std::string& path) {
    platform::ResolvedPath resolved = platform::Resolve(path);
    if (resolved.host.empty()) return "";
    // Host paths are UTF-8; one with no 1252 form keeps its bytes, which
    // still tell where to look.
    std::string host = resolved.host.string(), ansi;
    return platform::Utf8ToAnsi(host, ansi) ? ansi : host;
}

std::string WhyNotWritable(const std::string& path) {
    using platform::FileError;
    const FileError error = WaitWhileInUse([&] { return platform::CheckWritable(path); });
    if (error == FileError::None) return "";
    // The share's name is what the other pages show; the folder on this
    // computer is where the permissions are put right.
    const bool folder = !path.empty() && path.back() == '\\';
    const std::string here = WhereOnThisComputer(path);
    const std::string what = path + (here.empty() ? "" : " (on this computer " + here + ")") + " cannot be written: ";
    switch (error) {
        case FileError::FolderReadOnly:
            return what + (folder ? "the folder is write-protected." : "the folder it is in is write-protected.");
        case FileError::AccessDenied: return what + "the file is write-protected.";
        case FileError::SharingViolation: return what + "another program is using the file.";
        case FileError::NotAFile: return what + (folder ? "it is not a folder." : "it is not a file.");
        case FileError::OutsideShare: return what + "it leads outside the share.";
        case FileError::BadPath:
        case FileError::FileNotFound:
            return what + (folder ? "the folder does not exist." : "the folder it is in does not exist.");
        default: return what + "the system refuses it.";
    }
}

std::string MenuEntry::WriteProblem(const std::string& createFolder) const {
    // A new entry's names are chosen at Finish: its folders are what count.
    // A loader that did not open is never written, so it does not count.
    const std::vector<std::string> targets =
        createFolder.empty() ? std::vector<std::string>{m_sif.GetPath(), m_loaderOpened ? m_loader.GetPath() : ""}
                             : std::vector<std::string>{createFolder, createFolder + "templates"};
    for (const std::string& target : targets) {
        if (target.empty()) continue;  // no path: the save itself reports it
        if (std::string why = WhyNotWritable(target); !why.empty()) return why;
    }
    return "";
}

MenuEntry::MenuEntry(const std::string& risRoot) : m_risRoot(risRoot) {}

BOOL MenuEntry::Open(const std::string& sifPath) {
    if (!m_sif.Load(sifPath)) return FALSE;
    std::string launchFile = m_sif.GetLaunchFile();
    if (launchFile.empty()) {
        m_loader.m_error = res::IDS_NO_IMAGE_FILE;
    } else if (!IsInsideShare(m_risRoot, launchFile)) {
        // Never read, nor later write back, a file outside the share.
        m_loader.m_error = res::IDS_INVALID_PATH;
    } else {
        m_loaderOpened = m_loader.Open(m_risRoot + launchFile);
        m_loaderMissing = !m_loaderOpened && m_loader.m_error == res::IDS_IMAGE_NOT_FOUND;
    }
    return TRUE;
}

void MenuEntry::AllocateFileNames(std::string& loaderName, std::string& sifName) const {
    for (unsigned n = 0;; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "tool%u.ldr", n);
        if (!platform::Exists(m_folder + name)) {
            loaderName = name;
            break;
        }
    }
    std::string base = "templates\\" + loaderName.substr(0, loaderName.size() - 4);
    while (platform::Exists(m_folder + base + ".sif")) base += "_";
    sifName = base + ".sif";
}

// The wizard and the sheet arrive with their own work; until a runner is
// installed, Add and Properties open nothing and count as cancelled.
BOOL MenuEntry::RunCreateWizard(const std::string& folder) {
    return g_createWizard ? g_createWizard(*this, folder) : FALSE;
}

BOOL MenuEntry::RunPropertySheet() { return g_propertySheet ? g_propertySheet(*this) : FALSE; }

void MenuEntry::SetRunners(CreateWizardRunner createWizard, PropertySheetRunner propertySheet) {
    g_createWizard = createWizard;
    g_propertySheet = propertySheet;
}
