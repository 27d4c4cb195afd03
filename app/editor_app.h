// CEditorApp: the application object. Checks the environment at start,
// owns the share root, the installation languages and the current language
// and tab, runs the main window, and offers the error box and context help.
#pragma once

#include <string>
#include <vector>

#include "win_app.h"
#include "win_types.h"

class MenuStore;

class CEditorApp : public CWinApp {
public:
    CEditorApp();

    BOOL InitInstance() override;

    BOOL CheckImageLibrary();
    BOOL CheckRisServer();
    void ListLanguages();
    void SelectLanguage(const std::string& language);
    void SelectTab(int tab);
    std::string GetCurrentLanguage() const;
    void ShowErrorBox(unsigned stringId);
    intptr_t ShowHelp(unsigned context);

    // The version word and build of the library's two answers, judged as
    // start-up judges them; shows the refusal itself.
    static BOOL AcceptImageLibrary(uint32_t firstAnswer, uint32_t secondAnswer);
    // ".HLP" (exactly those letters) becomes ".chm", everywhere in the path.
    static std::string HelpFileFromDefault(const std::string& path);

    // The one store of the program; start-up loads it, the main window reads it.
    static MenuStore& Store();

    std::string m_risRoot;
    std::vector<std::string> m_languages;
    int m_languageIndex = 0;
    int m_tab = 0;

    // Where the library's version comes from (tests put their own answers here).
    uint32_t (*m_imageLibraryVersion)() = nullptr;
};

extern const char kVendorFolder[];

// The application object, when the current one is a CEditorApp.
CEditorApp* EditorApp();
