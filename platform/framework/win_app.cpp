#include "platform/framework/win_app.h"

#include "platform/framework/html_help.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/message_box.h"
#include "res/load_string.h"
#include "res/standard_ids.h"

namespace {
CWinApp* g_app = nullptr;
}

CWinApp::CWinApp(const char* appName) {
    m_pszAppName = appName ? appName : res::LoadString(res::AFX_IDS_APP_TITLE);
    platform::SetApplicationTitle(m_pszAppName);
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

void CWinApp::SetModulePath(const std::string& programPath) {
    size_t slash = programPath.find_last_of('\\');
    size_t dot = programPath.find_last_of('.');
    std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                           ? programPath.substr(0, dot)
                           : programPath;
    m_pszExeName = base.substr(slash == std::string::npos ? 0 : slash + 1);
    m_pszHelpFilePath = base + ".HLP";
}

CWinApp* AfxGetApp() { return g_app; }

namespace framework {

intptr_t ShowHelp(unsigned context) {
    CWinApp* app = AfxGetApp();
    if (!app) return 0;
    return HtmlHelp(ActiveWindow(), app->m_pszHelpFilePath, HH_HELP_CONTEXT, context);
}

void ShowErrorBox(unsigned stringId) { ShowActiveWindowErrorBox(res::LoadString(stringId)); }

}  // namespace framework
