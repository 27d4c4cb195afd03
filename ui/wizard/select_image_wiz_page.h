// CSelectImageWizPage: the single item's boot image file, stored as slot 0
// of the loader on Finish.
#pragma once

#include <string>

#include "image/image_file_box.h"
#include "platform/framework/property_page.h"

class LoaderFile;

class CSelectImageWizPage : public CImageFileBox<framework::CPropertyPageEx> {
public:
    CSelectImageWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId);

    BOOL OnSetActive() override;
    BOOL OnWizardFinish() override;
    BOOL OnCommand(UINT id, UINT code) override;

    std::string m_folder;
    LoaderFile* m_pLoader = nullptr;

private:
    std::string ImageFolder() const override { return m_folder; }
    void UpdateButtons();
};
