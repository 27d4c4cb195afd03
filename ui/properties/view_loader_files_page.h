// CViewLoaderFilesPage: the "Submenu" tab. Lists the loader's items and adds,
// edits and deletes them; says what the unattended start does and opens its
// dialog; opens the screen appearance dialog; shows the client's first menu
// screen in a preview window on demand.
#pragma once

#include "platform/framework/property_page.h"
#include "res/entry_templates.h"
#include "ui/common/client_screen_preview.h"

class LoaderFile;
class QLabel;
class QTreeWidget;

class CViewLoaderFilesPage : public framework::CPropertyPage {
public:
    explicit CViewLoaderFilesPage(unsigned templateId = res::IDD_VIEW_LOADER_FILES);

    BOOL OnInitDialog() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(UINT id, UINT code) override;
    BOOL OnNotify(UINT id, UINT code) override;

    // Rebuilds the list from the loader and selects `row` (none when it does
    // not exist).
    void FillList(int row);
    int SelectedRow() const;

    void OnAddItem();
    void OnEditItem();
    void OnDeleteItem();
    void OnAppearance();
    void OnStart();

    LoaderFile* m_pLoader = nullptr;
    QTreeWidget* m_list = nullptr;
    QLabel* m_errorText = nullptr;
    QLabel* m_startText = nullptr;  // "Waits for a key" or what the countdown starts
    ClientScreenPreview m_preview;

    // The item dialog and the appearance dialog, replaceable by tests; each
    // returns the dialog's result.
    static int (*s_runItemDialog)(class CSubmenuItemDlg& dialog);
    static int (*s_runAppearanceDialog)(class CAppearanceDlg& dialog);
    static int (*s_runStartDialog)(class CStartDlg& dialog);

private:
    void UpdatePreview();
};
