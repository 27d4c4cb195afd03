#include "ui/common/start_dlg.h"

#include <algorithm>
#include <string>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/entry_templates.h"
#include "res/string_table.h"

using namespace framework;

CStartDlg::CStartDlg(LoaderFile* loader, QWidget* parent)
    : CDialog(res::IDD_UNATTENDED_START, parent), m_pLoader(loader) {}

BOOL CStartDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LimitText(IDC_START_TIMEOUT, 4);
    if (!m_pLoader) return TRUE;
    const int count = m_pLoader->GetItemCount();
    for (int slot = 0; slot < count; ++slot) {
        std::string label = m_pLoader->GetDescription(slot);
        if (label.empty()) label = m_pLoader->GetImageFile(slot);
        AddString(IDC_START_ITEM, std::to_string(slot + 1) + "  " + label);
    }
    // A stored item beyond the items is where the client starts too: the first.
    const int start = m_pLoader->GetDefaultItem();
    SetCurSel(IDC_START_ITEM, start < count ? start : 0);
    // A larger stored count is clamped, as the client counts it.
    const unsigned timeout = std::min<unsigned>(m_pLoader->GetTimeout(), layout::LDR_TIMEOUT_MAX);
    SetDlgItemText(IDC_START_TIMEOUT, timeout ? std::to_string(timeout) : "");
    if (!m_pLoader->HasOwnClient()) {
        EnableDlgItem(IDC_START_ITEM, FALSE);
        EnableDlgItem(IDC_START_TIMEOUT, FALSE);
        SetDlgItemText(IDC_START_NOTE, res::LoadString(res::IDS_START_FOREIGN_CLIENT));
    }
    return TRUE;
}

int CStartDlg::ChosenTimeout() const {
    const std::string text = GetDlgItemText(IDC_START_TIMEOUT);
    if (text.empty()) return 0;
    if (text.size() > 4 || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    const int seconds = std::stoi(text);
    return seconds <= static_cast<int>(layout::LDR_TIMEOUT_MAX) ? seconds : -1;
}

void CStartDlg::OnOK() {
    if (m_pLoader && m_pLoader->HasOwnClient()) {
        const int timeout = ChosenTimeout();
        if (timeout < 0) {
            platform::MessageBox(Window(), res::LoadString(res::IDS_START_TIMEOUT_RANGE), GetWindowText(),
                                 platform::MB_OK | platform::MB_ICONERROR);
            SetFocusTo(IDC_START_TIMEOUT);
            return;
        }
        m_pLoader->SetDefaultItem(std::max(0, GetCurSel(IDC_START_ITEM)));
        m_pLoader->SetTimeout(timeout);
    }
    CDialog::OnOK();
}

BOOL CStartDlg::OnCommand(UINT id, UINT code) {
    if (id == IDHELP) {
        if (code == BN_CLICKED) framework::ShowHelp(IDH_UNATTENDED_START);
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}
