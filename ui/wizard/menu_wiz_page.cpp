#include "ui/wizard/menu_wiz_page.h"

#include "image/image_help_route.h"
#include "image/image_operations.h"
#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "platform/message_box.h"
#include "res/entry_templates.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/common/entry_ui_common.h"

using namespace framework;

namespace {
constexpr unsigned kLastItem = 8;
}

CMenuWizPage::CMenuWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CPropertyPageEx(templateId, 0, headerTitleId, headerSubTitleId) {}

BOOL CMenuWizPage::OnInitDialog() {
    CPropertyPageEx::OnInitDialog();
    RouteImageHelp(*this);  // the viewer opened by View asks this page for its help
    LimitText(IDC_MENU_DESCRIPTION, layout::DESCRIPTION_MAX);
    LimitText(IDC_MENU_HELP, layout::HELP_TEXT_MAX);
    KeepOnOneLine(IDC_MENU_HELP);
    SetDlgItemText(IDC_MENU_TITLE, res::FormatString(res::IDS_SUBMENU_N, m_itemNumber));
    SetDlgItemText(IDC_MENU_HINT, res::LoadString(res::IDS_NEXT_OR_FINISH));
    UpdateButtons();
    return TRUE;
}

void CMenuWizPage::UpdateButtons() {
    const bool hardDrive = IsDlgButtonChecked(IDC_MENU_HARD_DRIVE);
    const bool named = !GetDlgItemText(IDC_IMAGE_FILE).empty();
    EnableDlgItem(IDC_IMAGE_VIEW, named && !hardDrive);
    const bool complete = !GetDlgItemText(IDC_MENU_DESCRIPTION).empty() && (hardDrive || named);
    if (!GetParentSheet()) return;
    UINT flags = PSWIZB_BACK | PSWIZB_DISABLEDFINISH;
    // The eighth item is the last a submenu can hold: no Next there.
    if (complete) flags = m_itemNumber < kLastItem ? PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_FINISH;
    GetParentSheet()->SetWizardButtons(flags);
}

BOOL CMenuWizPage::OnSetActive() {
    UpdateButtons();
    return CPropertyPageEx::OnSetActive();
}

void CMenuWizPage::OnHardDriveToggle() {
    const BOOL enable = !IsDlgButtonChecked(IDC_MENU_HARD_DRIVE);
    for (int id : {IDC_IMAGE_FILE, IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW}) EnableDlgItem(id, enable);
    UpdateButtons();
}

BOOL CMenuWizPage::SaveItem() {
    const bool hardDrive = IsDlgButtonChecked(IDC_MENU_HARD_DRIVE);
    std::string image;
    bool completeImage = true;
    if (!hardDrive) {
        image = GetDlgItemText(IDC_IMAGE_FILE);
        completeImage = !image.empty();
        if (completeImage) {
            if (!CheckImageFileName(m_folder, image)) return FALSE;
            if (!ConfirmImageFile(m_folder, image)) return FALSE;
        }
    }
    const std::string help = GetDlgItemText(IDC_MENU_HELP);
    const std::string description = GetDlgItemText(IDC_MENU_DESCRIPTION);
    // An incomplete item stores nothing: a slot stored earlier stays as it was.
    if (!description.empty() && completeImage && m_pLoader)
        return StoreLoaderItem(*m_pLoader, static_cast<int>(m_itemNumber) - 1, image, description, help);
    return TRUE;
}

BOOL CMenuWizPage::OnKillActive() {
    if (!SaveItem()) return FALSE;
    return CPropertyPageEx::OnKillActive();
}

BOOL CMenuWizPage::OnWizardFinish() {
    if (m_itemNumber == 1 &&
        platform::MessageBox(Window(), res::LoadString(res::IDS_ONE_ITEM_CREATE_QUESTION),
                             res::LoadString(res::IDS_CREATE_SUBMENU),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != IDYES)
        return FALSE;
    if (!SaveItem()) return FALSE;
    return CPropertyPageEx::OnWizardFinish();
}

BOOL CMenuWizPage::OnCommand(UINT id, UINT code) {
    if (OnImageButtonCommand(*this, id, code, m_folder)) return TRUE;
    switch (id) {
        case IDC_MENU_DESCRIPTION:
        case IDC_IMAGE_FILE:
            if (code == EN_CHANGE) UpdateButtons();
            return TRUE;
        case IDC_MENU_HARD_DRIVE:
            if (code == BN_CLICKED) OnHardDriveToggle();
            return TRUE;
        case ID_HELP: framework::ShowHelp(IDH_WIZARD_SUBMENU_ITEM); return TRUE;
        default: return CPropertyPageEx::OnCommand(id, code);
    }
}

BOOL CMenuWizPage::OnWindowMessage(UINT message, intptr_t, intptr_t lParam) {
    if (message != WM_IMAGE_HELP) return FALSE;
    framework::ShowHelp(static_cast<unsigned>(lParam));
    return 1;
}
