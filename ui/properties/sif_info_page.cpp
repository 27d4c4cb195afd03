#include "ui/properties/sif_info_page.h"

#include "platform/framework/win_app.h"
#include "res/entry_templates.h"
#include "store/sif_file.h"
#include "ui/common/entry_ui_common.h"

CSifInfoPage::CSifInfoPage(unsigned templateId) : CPropertyPage(templateId) {}

BOOL CSifInfoPage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    ShowSifFields(*this, m_pSif);
    return TRUE;
}

// An empty description is stored as it is.
BOOL CSifInfoPage::OnKillActive() {
    if (!StoreSifFields(*this, m_pSif)) return FALSE;
    return CPropertyPage::OnKillActive();
}

BOOL CSifInfoPage::OnCommand(UINT id, UINT code) {
    if (id == framework::ID_HELP) {
        framework::ShowHelp(m_isSubmenu ? IDH_PROPERTIES_SUBMENU : IDH_PROPERTIES_SINGLE);
        return TRUE;
    }
    return CPropertyPage::OnCommand(id, code);
}
