#include "ui/wizard/select_image_wiz_page.h"

#include "loader/loader_file.h"
#include "platform/framework/property_sheet.h"
#include "platform/framework/win_app.h"
#include "platform/framework/wizard_sheet.h"
#include "res/entry_templates.h"
#include "res/resource.h"
#include "ui/common/entry_ui_common.h"

using namespace framework;

CSelectImageWizPage::CSelectImageWizPage(unsigned templateId, unsigned headerTitleId, unsigned headerSubTitleId)
    : CImageFileBox(templateId, 0, headerTitleId, headerSubTitleId) {}

// Finish once a name is typed; Next never, so the submenu pages behind this
// one cannot be reached.
void CSelectImageWizPage::UpdateButtons() {
    const bool named = !ImageFileText().empty();
    EnableImageBox(true, named);
    if (GetParentSheet())
        GetParentSheet()->SetWizardButtons(named ? PSWIZB_BACK | PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_DISABLEDFINISH);
}

BOOL CSelectImageWizPage::OnSetActive() {
    UpdateButtons();
    return CImageFileBox::OnSetActive();
}

BOOL CSelectImageWizPage::OnWizardFinish() {
    const std::string image = ImageFileText();
    // A name the client could not fetch (or not a bare name) is refused here,
    // before anything is stored.
    if (!AcceptImageFile(image)) return FALSE;
    if (!m_pLoader || !StoreLoaderItem(*m_pLoader, 0, image, "", "")) return FALSE;
    return CImageFileBox::OnWizardFinish();
}

BOOL CSelectImageWizPage::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDC_IMAGE_FILE:
            if (code == EN_CHANGE) UpdateButtons();
            return TRUE;
        case ID_HELP: framework::ShowHelp(IDH_WIZARD_IMAGE_FILE); return TRUE;
        default: return CImageFileBox::OnCommand(id, code);
    }
}
