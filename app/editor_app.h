// CEditorApp: the application object. Checks the environment at start,
// owns the share root, the installation languages and the current language
// and tab, and runs the main window. (Context help and the error box are the
// framework's: framework::ShowHelp, framework::ShowErrorBox.)
#pragma once

#include <string>
#include <vector>

#include "platform/framework/win_app.h"
#include "platform/win_types.h"
#include "ui/main_window/main_dlg.h"

class MenuStore;

class CEditorApp : public CWinApp, public MainWindowHost {
public:
    CEditorApp();

    BOOL InitInstance() override;

    BOOL CheckImageLibrary();
    BOOL CheckRisServer();
    void ListLanguages();
    void SelectLanguage(const std::string& language) override;
    void SelectTab(int tab) override;
    std::string GetCurrentLanguage() const override;
    const std::vector<std::string>& Languages() const override { return m_languages; }

    // The version word and build of the library's two answers, judged as
    // start-up judges them; shows the refusal itself.
    static BOOL AcceptImageLibrary(uint32_t firstAnswer, uint32_t secondAnswer);
    // ".HLP" (exactly those letters) becomes ".chm", everywhere in the path.
    static std::string HelpFileFromDefault(const std::string& path);

    // The one store of the program; start-up loads it, the main window reads it.
    static MenuStore& Store();

private:
    // A start-up refusal that concerns the share: the message, the share
    // hint, and a Help button to the Technical Support topic.
    void RefuseShare(unsigned stringId) const;
public:

    std::string m_risRoot;
    std::vector<std::string> m_languages;
    int m_languageIndex = 0;
    int m_tab = 0;

    // Lines added to a start-up refusal about the share: where start-up
    // looked for it and how to point the program elsewhere (set by main).
    std::string m_shareHint;
    // True when start-up refused to run (the program then ends unsuccessfully).
    bool m_startRefused = false;

    // Where the library's version comes from (tests put their own answers here).
    uint32_t (*m_imageLibraryVersion)() = nullptr;
};
