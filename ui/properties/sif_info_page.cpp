#include "sif_info_page.h"

#include "entry_templates.h"
#include "entry_ui_common.h"
#include "sif_file.h"
#include "win_app.h"

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
