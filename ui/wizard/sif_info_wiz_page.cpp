#include "ui/wizard/sif_info_wiz_page.h"

#include "platform/framework/property_sheet.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "res/entry_templates.h"
#include "store/sif_file.h"
#include "ui/common/entry_ui_common.h"

CSifInfoWizPage::CSifInfoWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CPropertyPageEx(templateId, 0, headerTitleId, headerSubTitleId) {}

BOOL CSifInfoWizPage::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    ShowSifFields(*this, m_pSif);
    return TRUE;
}

// Next once there is a description; Back never, so the Setup page is left
// only once.
void CSifInfoWizPage::UpdateButtons() {
    if (!GetParentSheet()) return;
    const bool described = !GetDlgItemText(IDC_SIF_DESCRIPTION).empty();
    GetParentSheet()->SetWizardButtons(described ? static_cast<UINT>(framework::PSWIZB_NEXT) : 0u);
}

BOOL CSifInfoWizPage::OnSetActive() {
    UpdateButtons();
    return CPropertyPageEx::OnSetActive();
}

BOOL CSifInfoWizPage::OnKillActive() {
    if (!StoreSifFields(*this, m_pSif)) return FALSE;
    return CPropertyPageEx::OnKillActive();
}

BOOL CSifInfoWizPage::OnCommand(UINT id, UINT code) {
    if (id == IDC_SIF_DESCRIPTION && code == framework::EN_CHANGE) {
        UpdateButtons();
        return TRUE;
    }
    if (id == framework::ID_HELP) {
        framework::ShowHelp(IDH_WIZARD_DESCRIPTION);
        return TRUE;
    }
    return CPropertyPageEx::OnCommand(id, code);
}
