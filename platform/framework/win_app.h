// The application object base: one per program, reached by every dialog
// through AfxGetApp(). It carries the application title (the caption of every
// application message box), the help-file path and the main window.
#pragma once

#include <string>

#include "win_types.h"

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
