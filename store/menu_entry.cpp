#include "menu_entry.h"

#include <cstdio>
#include <filesystem>

#include "file_system.h"
#include "string_table.h"

namespace {
CreateWizardRunner g_createWizard = nullptr;
PropertySheetRunner g_propertySheet = nullptr;
}  // namespace

bool IsInsideShare(const std::string& risRoot, const std::string& relativePath, std::string* hostPath) {
    return IsInsideShare(ResolveShareRoot(risRoot), relativePath, hostPath);
}

ShareRoot ResolveShareRoot(const std::string& risRoot) {
    ShareRoot root{risRoot, {}};
    platform::ResolvedPath resolved = platform::Resolve(risRoot);
    if (resolved.error != platform::FileError::None || !resolved.exists) return root;
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(resolved.host, ec);
    if (!ec) root.real = real;
    return root;
}

bool IsInsideShare(const ShareRoot& root, const std::string& relativePath, std::string* hostPath) {
    if (hostPath) hostPath->clear();
    if (relativePath.empty()) return false;
    if (relativePath[0] == '\\' || relativePath[0] == '/') return false;  // absolute or UNC
    if (relativePath.find(':') != std::string::npos) return false;      // drive letter or stream
    size_t start = 0;
    while (start <= relativePath.size()) {
        size_t end = relativePath.find_first_of("\\/", start);
        if (end == std::string::npos) end = relativePath.size();
        std::string part = relativePath.substr(start, end - start);
        // Windows ignores trailing dots and blanks: "..." and ".. " also climb.
        size_t last = part.find_last_not_of(". ");
        if (!part.empty() && last == std::string::npos && part.find("..") != std::string::npos) return false;
        start = end + 1;
    }
    // Links: the file's real location must lie in the share's real folder.
    if (root.real.empty()) return false;
    platform::ResolvedPath file = platform::Resolve(root.risRoot + relativePath);
    if (file.error != platform::FileError::None || !file.exists) return true;  // nothing there to follow
    const std::filesystem::path& realRoot = root.real;
    std::error_code ec;
    std::filesystem::path realFile = std::filesystem::weakly_canonical(file.host, ec);
    if (ec) return false;
    auto r = realRoot.begin();
    auto f = realFile.begin();
    for (; r != realRoot.end(); ++r, ++f) {
        if (r->empty()) continue;  // a trailing separator of the root
        if (f == realFile.end() || *r != *f) return false;
    }
    if (hostPath) *hostPath = realFile.string();
    return true;
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
