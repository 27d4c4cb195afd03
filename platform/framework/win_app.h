// The application object base: one per program, reached by every dialog
// through AfxGetApp(). It carries the application title (the caption of every
// application message box), the help-file path and the main window.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace framework {
class CDialog;
}

class CWinApp {
public:
    // Without a name the title is string 57344 of the string table.
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The program's work; a FALSE result ends the program.
    virtual BOOL InitInstance();

    // The program file as a Windows path; sets the default help-file path to
    // it with ".HLP" in place of its extension.
    void SetModulePath(const std::string& programPath);
    // Three-dimensional controls are the toolkit's only look; kept so the
    // start-up sequence reads as it does on the original platform.
    void Enable3dControls() {}

    std::string m_pszAppName;
    std::string m_pszExeName;
    std::string m_pszHelpFilePath;
    framework::CDialog* m_pMainWnd = nullptr;
};

// The current application object, or nullptr when none exists.
CWinApp* AfxGetApp();

namespace framework {

// Context help, the one route every Help button and the image viewer's help
// request take: the topic of `context` in the application's help file, over
// the active window. 0 when nothing is shown (no application object, no such
// topic).
intptr_t ShowHelp(unsigned context);

// The error box of the string `stringId`: error icon, owned by the active
// window and captioned with its title; usable before an application object
// exists.
void ShowErrorBox(unsigned stringId);

}  // namespace framework
