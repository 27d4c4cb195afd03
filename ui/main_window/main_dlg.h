// CMainDlg: the main window. Lists the entries of the current language and
// tab, says which PCs the selected one boots on, and offers Add, Remove,
// Properties, Refresh, the language choice, help and the About box.
#pragma once

#include <QIcon>
#include <string>
#include <vector>

#include "platform/framework/dialog.h"
#include "res/resource.h"

class MenuStore;
class QLabel;
class QTreeWidget;

// What the main window asks of the program that runs it: the installation
// languages and the current one, and switching the language or the tab (the
// program re-reads the store the window lists).
class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;
    virtual const std::vector<std::string>& Languages() const = 0;
    virtual std::string GetCurrentLanguage() const = 0;
    virtual void SelectLanguage(const std::string& language) = 0;
    virtual void SelectTab(int tab) = 0;
};

class CMainDlg : public framework::CDialog {
public:
    explicit CMainDlg(QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    BOOL OnCommand(UINT id, UINT code) override;
    BOOL OnNotify(UINT id, UINT code) override;
    void OnPaint() override;
    void OnActivate(bool active) override;

    // Rebuilds the list from the store and selects the row whose text is
    // `select` (ignoring case), else row 0.
    void FillList(const std::string* select = nullptr);

    void OnAdd();
    void OnRemove();
    void OnProperties();
    // Shows "File write protected." with the file and why, and returns true
    // for an entry this user may not change (Remove; Properties opens it
    // read-only).
    bool RefuseReadOnly(int index);
    void Reload();
    void OnChangeLanguage();

    // The first selected row, or -1.
    int SelectedRow() const;

    MenuStore* m_pStore = nullptr;
    MainWindowHost* m_pHost = nullptr;  // none: one language, nothing to switch
    QTreeWidget* m_list = nullptr;
    QLabel* m_bootsOn = nullptr;  // which PCs the selected entry boots on
    std::vector<QIcon> m_imageList;

    // What the About button runs: the About box, or a stand-in in tests.
    static void (*s_runAboutBox)(CMainDlg& owner);

private:
    void SelectRow(int row);
    void UpdateBootsOn();
};
