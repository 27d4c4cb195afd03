#include "app/editor_app.h"

#include <cstdio>

#include "image/image_library_calls.h"
#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/framework/html_help.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/host_system.h"
#include "platform/message_box.h"
#include "res/string_table.h"
#include "store/menu_store.h"
#include "ui/main_window/main_dlg.h"

namespace {

// Exists, empty, before start-up runs and lives for the whole program.
MenuStore g_store;

// A start-up refusal: its box, and the same words on standard error, so that
// a start from a terminal or a script that sees no box still learns why the
// program ended.
void RefuseStart(const std::string& text, unsigned style, unsigned helpContext = 0) {
    std::fprintf(stderr, "menvolt: %s\n", platform::AnsiToUtf8(text).c_str());
    platform::AfxMessageBox(text, style, helpContext);
}

}  // namespace

CEditorApp::CEditorApp() : m_imageLibraryVersion(&image::LibraryVersion) {}

MenuStore& CEditorApp::Store() { return g_store; }

std::string CEditorApp::HelpFileFromDefault(const std::string& path) {
    std::string result;
    size_t from = 0;
    for (size_t at; (at = path.find(".HLP", from)) != std::string::npos; from = at + 4)
        result += path.substr(from, at - from) + ".chm";
    return result + path.substr(from);
}

BOOL CEditorApp::AcceptImageLibrary(uint32_t firstAnswer, uint32_t secondAnswer) {
    const uint32_t version = firstAnswer >> 16;
    const uint32_t build = secondAnswer & 0xFFFF;
    if ((version & 0xFFF0) != 0x0110) {
        RefuseStart(res::LoadString(res::IDS_LIBRARY_INCOMPATIBLE), platform::MB_ICONERROR | platform::MB_OK);
        return FALSE;
    }
    if (version == 0x0110 && build < 46) {
        RefuseStart(res::LoadString(res::IDS_LIBRARY_TOO_OLD), platform::MB_ICONERROR | platform::MB_OK);
        return FALSE;
    }
    return TRUE;
}

BOOL CEditorApp::CheckImageLibrary() {
    uint32_t first = m_imageLibraryVersion();
    uint32_t second = m_imageLibraryVersion();
    return AcceptImageLibrary(first, second);
}

BOOL CEditorApp::CheckRisServer() {
    host::OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = 148;
    if (!host::GetVersionExA(&version) || version.dwPlatformId != host::VER_PLATFORM_WIN32_NT ||
        version.dwMajorVersion != 5) {
        RefuseStart(res::LoadString(res::IDS_WRONG_PLATFORM), platform::MB_ICONERROR);
        return FALSE;
    }
    char name[16] = {};
    DWORD size = sizeof name;
    host::GetComputerNameA(name, &size);  // the host layer never gives more than 15 characters
    m_risRoot = std::string("\\\\") + name + "\\RemInst\\";
    platform::FileFind find;
    if (!find.FindFirst(m_risRoot + "*.*")) {
        RefuseShare(res::IDS_RIS_NOT_FOUND);
        return FALSE;
    }
    find.Close();
    return TRUE;
}

void CEditorApp::RefuseShare(unsigned stringId) const {
    std::string text = res::LoadString(stringId);
    if (!m_shareHint.empty()) text += "\n\n" + m_shareHint;
    RefuseStart(text, platform::MB_ICONERROR | platform::MB_HELP, IDH_TECHNICAL_SUPPORT);
}

void CEditorApp::ListLanguages() {
    for (const std::string& language : ::ListLanguages(m_risRoot)) m_languages.push_back(language);
}

void CEditorApp::SelectLanguage(const std::string& language) {
    int index = 0;
    while (index < static_cast<int>(m_languages.size()) && m_languages[index] != language) ++index;
    // A name that is not in the list keeps the current language rather than
    // reading past the list.
    if (index < static_cast<int>(m_languages.size())) m_languageIndex = index;
    Store().Load(m_risRoot, GetCurrentLanguage(), m_tab);
}

void CEditorApp::SelectTab(int tab) {
    m_tab = tab;
    Store().Load(m_risRoot, GetCurrentLanguage(), m_tab);
}

std::string CEditorApp::GetCurrentLanguage() const {
    if (m_languageIndex < 0 || m_languageIndex >= static_cast<int>(m_languages.size())) return {};
    return m_languages[m_languageIndex];
}

BOOL CEditorApp::InitInstance() {
    CMainDlg dialog;
    Enable3dControls();
    m_pszHelpFilePath = HelpFileFromDefault(m_pszHelpFilePath);

    // Every return until the main window runs is a refusal.
    m_startRefused = true;
    if (!CheckImageLibrary()) return FALSE;
    image::ImageLibrary().SetApplication(1);
    if (!CheckRisServer()) return FALSE;
    ListLanguages();
    if (m_languages.empty()) {
        // Nothing to edit: end in order, as the other checks do.
        RefuseShare(res::IDS_NO_LANGUAGES);
        return FALSE;
    }
    m_startRefused = false;
    m_tab = 0;
    SelectLanguage(m_languages.front());

    dialog.m_pStore = &Store();
    dialog.m_pHost = this;
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}
