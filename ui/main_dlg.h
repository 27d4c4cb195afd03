// CMainDlg: the main window. Lists the entries of the current language and
// tab and offers Add, Remove, Properties, Refresh, the language choice, help
// and the About box.
#pragma once

#include <QIcon>
#include <string>
#include <vector>

#include "dialog.h"

class MenuStore;
class QTreeWidget;

enum : int {
    IDC_MAIN_TABS = 1025,
    IDC_MAIN_LIST = 1026,
    IDC_MAIN_ADD = 1021,
    IDC_MAIN_REMOVE = 102,
    IDC_MAIN_PROPERTIES = 1027,
    IDC_MAIN_REFRESH = 1028,
    IDC_MAIN_LANGUAGE_LABEL = 1052,
    IDC_MAIN_LANGUAGE = 1016,
    IDC_MAIN_ABOUT = 1049,
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
    void Reload();
    void OnChangeLanguage();

    // The first selected row, or -1.
    int SelectedRow() const;

    MenuStore* m_pStore = nullptr;
    QTreeWidget* m_list = nullptr;
    std::vector<QIcon> m_imageList;

    // What the About button runs: the About box, or a stand-in in tests.
    static void (*s_runAboutBox)(CMainDlg& owner);

private:
    void SelectRow(int row);
};
