// CSelectImageWizPage: the single item's boot image file, stored as slot 0
// of the loader on Finish.
#pragma once

#include <string>

#include "platform/framework/property_page.h"

class LoaderFile;

class CSelectImageWizPage : public framework::CPropertyPageEx {
public:
    CSelectImageWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId);

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;
    BOOL OnCommand(UINT id, UINT code) override;
    BOOL OnWindowMessage(UINT message, intptr_t wParam, intptr_t lParam) override;

    std::string m_folder;
    LoaderFile* m_pLoader = nullptr;

private:
    void UpdateButtons();
};
