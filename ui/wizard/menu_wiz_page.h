// CMenuWizPage: one item of a new submenu (eight instances, numbered 1 to 8).
// The item is stored into its loader slot when the page is left by Next or
// Back, and on Finish.
#pragma once

#include <string>

#include "image/image_file_box.h"
#include "platform/framework/property_page.h"

class LoaderFile;

class CMenuWizPage : public CImageFileBox<framework::CPropertyPageEx> {
public:
    CMenuWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId);

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    BOOL OnWizardFinish() override;
    BOOL OnCommand(UINT id, UINT code) override;

    std::string m_folder;
    LoaderFile* m_pLoader = nullptr;
    unsigned m_itemNumber = 1;

    // The Unattended Start dialog, replaceable by tests.
    static int (*s_runStartDialog)(class CStartDlg& dialog);

    // The menu's unattended start as the Submenu page words it.
    class QLabel* m_startText = nullptr;

private:
    void UpdateStartText();
    std::string ImageFolder() const override { return m_folder; }
    void UpdateButtons();
    // Stores the item when it is complete; FALSE keeps the user on the page.
    BOOL SaveItem();
};
