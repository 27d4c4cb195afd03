#include "sif_info_page.h"

#include "entry_templates.h"
#include "entry_ui_common.h"
#include "sif_file.h"
#include "sif_info_wiz_page.h"

CSifInfoPage::CSifInfoPage(unsigned templateId) : CPropertyPage(templateId) {
    res::RegisterEntryDialogTemplates();
}

BOOL CSifInfoPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    LimitText(IDC_SIF_DESCRIPTION, 65);
    LimitText(IDC_SIF_HELP, 260);
    KeepOnOneLine(IDC_SIF_HELP);
    if (m_pSif) {
        SetDlgItemText(IDC_SIF_DESCRIPTION, m_pSif->GetDescription());
        SetDlgItemText(IDC_SIF_HELP, m_pSif->GetHelp());
    }
    return TRUE;
}

// No validation: an empty description is stored as it is.
BOOL CSifInfoPage::OnKillActive() {
    if (m_pSif) {
        m_pSif->SetValue("Description", framework::OneLine(GetDlgItemText(IDC_SIF_DESCRIPTION)));
        m_pSif->SetValue("Help", framework::OneLine(GetDlgItemText(IDC_SIF_HELP)));
    }
    return CPropertyPage::OnKillActive();
}

BOOL CSifInfoPage::OnCommand(UINT id, UINT code) {
    if (id == framework::ID_HELP) {
        ShowHelpContext(m_isSubmenu ? 113 : 112);
        return TRUE;
    }
    return CPropertyPage::OnCommand(id, code);
}
