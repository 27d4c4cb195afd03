// CSifInfoWizPage: the wizard page for the entry's friendly description and
// help text, written into the OSChooser document when the page is left.
#pragma once

#include "platform/framework/property_page.h"

class SifFile;

class CSifInfoWizPage : public framework::CPropertyPageEx {
public:
    CSifInfoWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId);

    BOOL OnInitDialog() override;
    BOOL OnSetActive() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(UINT id, UINT code) override;

    SifFile* m_pSif = nullptr;

private:
    void UpdateButtons();
};
