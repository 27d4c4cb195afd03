// CSetupWizPage: the wizard's first page, single item or submenu. Leaving it
// takes the page of the path not chosen out of the wizard.
#pragma once

#include "platform/framework/property_page.h"

class CSetupWizPage : public framework::CPropertyPageEx {
public:
    CSetupWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId);

    BOOL OnInitDialog() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(UINT id, UINT code) override;

private:
    bool m_pageRemoved = false;
};
