// CSifInfoWizPage: the wizard page for the entry's friendly description and
// help text, written into the OSChooser document when the page is left.
#pragma once

#include "property_page.h"

class SifFile;

enum : int { IDC_SIF_DESCRIPTION = 1039, IDC_SIF_HELP = 1008 };

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
