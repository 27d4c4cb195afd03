#include "ui/wizard/select_image_wiz_page.h"

#include "image/image_help_route.h"
#include "image/image_operations.h"
#include "loader/loader_file.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "res/entry_templates.h"
#include "res/resource.h"
#include "ui/common/entry_ui_common.h"

using namespace framework;

CSelectImageWizPage::CSelectImageWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CPropertyPageEx(templateId, 0, headerTitleId, headerSubTitleId) {}

BOOL CSelectImageWizPage::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    // The viewer opened by View asks this page for its help.
    RouteImageHelp(*this);
    return TRUE;
}

// Finish once a name is typed; Next never, so the submenu pages behind this
// one cannot be reached.
void CSelectImageWizPage::UpdateButtons() {
    const bool named = !GetDlgItemText(IDC_IMAGE_FILE).empty();
    EnableDlgItem(IDC_IMAGE_VIEW, named);
    if (GetParentSheet())
        GetParentSheet()->SetWizardButtons(named ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
}

BOOL CSelectImageWizPage::OnSetActive() {
    UpdateButtons();
    return CPropertyPageEx::OnSetActive();
}

BOOL CSelectImageWizPage::OnWizardFinish() {
    const std::string image = GetDlgItemText(IDC_IMAGE_FILE);
    // A name the client could not fetch (or not a bare name) is refused here,
    // before anything is stored.
    if (!CheckImageFileName(m_folder, image)) return FALSE;
    if (!ConfirmImageFile(m_folder, image)) return FALSE;
    if (!m_pLoader || !StoreLoaderItem(*m_pLoader, 0, image, "", "")) return FALSE;
    return CPropertyPageEx::OnWizardFinish();
}

BOOL CSelectImageWizPage::OnCommand(UINT id, UINT code) {
    if (OnImageButtonCommand(*this, id, code, m_folder)) return TRUE;
    switch (id) {
        case IDC_IMAGE_FILE:
            if (code == EN_CHANGE) UpdateButtons();
            return TRUE;
        case ID_HELP: framework::ShowHelp(IDH_WIZARD_IMAGE_FILE); return TRUE;
        default: return CPropertyPageEx::OnCommand(id, code);
    }
}

BOOL CSelectImageWizPage::OnWindowMessage(UINT message, intptr_t, intptr_t lParam) {
    if (message != WM_IMAGE_HELP) return FALSE;
    framework::ShowHelp(static_cast<unsigned>(lParam));
    return 1;
}
