// CSifInfoPage: the "Menu Item" tab, the entry's friendly description and
// help text.
#pragma once

#include "platform/framework/property_page.h"

class SifFile;

class CSifInfoPage : public framework::CPropertyPage {
public:
    explicit CSifInfoPage(unsigned templateId = 133);

    BOOL OnInitDialog() override;
    BOOL OnKillActive() override;
    BOOL OnCommand(UINT id, UINT code) override;

    SifFile* m_pSif = nullptr;
    BOOL m_isSubmenu = FALSE;
};
