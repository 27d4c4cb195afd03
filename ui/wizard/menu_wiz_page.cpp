#include "ui/wizard/menu_wiz_page.h"

#include <QLabel>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "platform/message_box.h"
#include "res/entry_templates.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/common/entry_ui_common.h"
#include "ui/common/start_dlg.h"
#include "ui/common/start_summary.h"

using namespace framework;

namespace {
constexpr unsigned kLastItem = layout::LDR_SLOT_COUNT;
int RunStartDialog(CStartDlg& dialog) { return dialog.DoModal(); }
}  // namespace

int (*CMenuWizPage::s_runStartDialog)(CStartDlg&) = &RunStartDialog;

CMenuWizPage::CMenuWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CImageFileBox(templateId, 0, headerTitleId, headerSubTitleId) {}

BOOL CMenuWizPage::OnInitDialog() {
    CImageFileBox::OnInitDialog();
    LimitText(IDC_MENU_DESCRIPTION, layout::DESCRIPTION_MAX);
    LimitText(IDC_MENU_HELP, layout::HELP_TEXT_MAX);
    KeepOnOneLine(IDC_MENU_HELP);
    SetDlgItemText(IDC_MENU_TITLE, res::FormatString(res::IDS_SUBMENU_N, m_itemNumber));
    SetDlgItemText(IDC_MENU_HINT, res::LoadString(res::IDS_NEXT_OR_FINISH));
    // The unattended start of the menu being built, beside the image buttons.
    AddPushButton(IDC_START_CHANGE, kStartButtonText, 213, 138, 50, 14);
    // The start it sets, on the page's last line, under the hint.
    m_startText = AddTextLine(*this, 7, 165, 256);
    UpdateStartText();
    UpdateButtons();
    return TRUE;
}

void CMenuWizPage::UpdateStartText() {
    if (m_startText && m_pLoader) m_startText->setText(framework::ToQt(StartSummary(*m_pLoader)));
}

void CMenuWizPage::UpdateButtons() {
    const bool hardDrive = IsDlgButtonChecked(IDC_MENU_HARD_DRIVE);
    const bool named = !ImageFileText().empty();
    EnableImageBox(!hardDrive, named);
    const bool complete = !GetDlgItemText(IDC_MENU_DESCRIPTION).empty() && (hardDrive || named);
    if (!GetParentSheet()) return;
    UINT flags = PSWIZB_BACK | PSWIZB_DISABLEDFINISH;
    // The eighth item is the last a submenu can hold: no Next there.
    if (complete) flags = m_itemNumber < kLastItem ? PSWIZB_BACK | PSWIZB_NEXT | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_FINISH;
    GetParentSheet()->SetWizardButtons(flags);
}

BOOL CMenuWizPage::OnSetActive() {
    UpdateButtons();
    UpdateStartText();
    return CImageFileBox::OnSetActive();
}

BOOL CMenuWizPage::SaveItem() {
    const bool hardDrive = IsDlgButtonChecked(IDC_MENU_HARD_DRIVE);
    std::string image;
    bool completeImage = true;
    if (!hardDrive) {
        image = ImageFileText();
        completeImage = !image.empty();
        if (completeImage && !AcceptImageFile(image)) return FALSE;
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
    return CImageFileBox::OnKillActive();
}

BOOL CMenuWizPage::OnWizardFinish() {
    if (m_itemNumber == 1 &&
        platform::MessageBox(Window(), res::LoadString(res::IDS_ONE_ITEM_CREATE_QUESTION),
                             res::LoadString(res::IDS_CREATE_SUBMENU),
                             platform::MB_YESNO | platform::MB_ICONQUESTION) != IDYES)
        return FALSE;
    if (!SaveItem()) return FALSE;
    return CImageFileBox::OnWizardFinish();
}

BOOL CMenuWizPage::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDC_MENU_DESCRIPTION:
        case IDC_IMAGE_FILE:
            if (code == EN_CHANGE) UpdateButtons();
            return TRUE;
        case IDC_MENU_HARD_DRIVE:
            if (code == BN_CLICKED) UpdateButtons();
            return TRUE;
        case IDC_START_CHANGE:
            // The item on this page is one to choose from too, once complete.
            if (code == BN_CLICKED && m_pLoader && SaveItem()) {
                CStartDlg start(m_pLoader, Window());
                s_runStartDialog(start);
                UpdateStartText();
            }
            return TRUE;
        case ID_HELP: framework::ShowHelp(IDH_WIZARD_SUBMENU_ITEM); return TRUE;
        default: return CImageFileBox::OnCommand(id, code);
    }
}
