#include "ui/wizard/setup_wiz_page.h"

#include "platform/framework/property_sheet.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "res/entry_templates.h"
#include "ui/common/entry_ui_common.h"

// Sheet positions of the two pages that follow the description page.
constexpr int kImageFilePage = 2;
constexpr int kFirstSubmenuPage = 3;

CSetupWizPage::CSetupWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CPropertyPageEx(templateId, 0, headerTitleId, headerSubTitleId) {}

BOOL CSetupWizPage::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    CheckDlgButton(IDC_SETUP_SINGLE, TRUE);
    // Only Next, for the page's whole life: it has no OnSetActive of its own.
    if (GetParentSheet()) GetParentSheet()->SetWizardButtons(framework::PSWIZB_NEXT | framework::PSWIZB_DISABLEDFINISH);
    return TRUE;
}

BOOL CSetupWizPage::OnKillActive() {
    // The description page never offers Back, so this runs once per wizard;
    // the guard keeps a second pass from taking out a page that is needed.
    if (!m_pageRemoved && GetParentSheet()) {
        GetParentSheet()->RemovePage(IsDlgButtonChecked(IDC_SETUP_SUBMENU) ? kImageFilePage : kFirstSubmenuPage);
        m_pageRemoved = true;
    }
    return CPropertyPageEx::OnKillActive();
}

BOOL CSetupWizPage::OnCommand(UINT id, UINT code) {
    if (id == framework::ID_HELP) {
        framework::ShowHelp(IDH_WIZARD_SETUP_ITEM);
        return TRUE;
    }
    return CPropertyPageEx::OnCommand(id, code);
}
