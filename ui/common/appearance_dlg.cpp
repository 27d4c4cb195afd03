#include "ui/common/appearance_dlg.h"

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/win_app.h"
#include "res/entry_templates.h"
#include "ui/common/entry_ui_common.h"
#include "ui/common/start_dlg.h"
#include "ui/common/start_summary.h"

using namespace framework;

const char* const kColourNames[16] = {
    "Black", "Blue",      "Green",        "Cyan",        "Red",        "Purple",        "Brown",  "Gray",
    "Dark Gray", "Bright Blue", "Bright Green", "Bright Cyan", "Bright Red", "Bright Purple", "Yellow", "White",
};

CAppearanceDlg::CAppearanceDlg(LoaderFile* loader, QWidget* parent)
    : CDialog(res::IDD_APPEARANCE, parent), m_pLoader(loader) {}

BOOL CAppearanceDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    LimitText(IDC_APPEARANCE_BANNER, layout::BANNER_MAX);
    const uint16_t colors = m_pLoader ? m_pLoader->GetColors() : layout::LDR_DEFAULT_COLORS;
    if (m_pLoader) SetDlgItemText(IDC_APPEARANCE_BANNER, m_pLoader->GetTitle());
    const int normal = colors & 0xFF, highlight = colors >> 8;
    auto fill = [this](int id, int names, int select) {
        for (int i = 0; i < names; ++i) AddString(id, kColourNames[i]);
        SetCurSel(id, select);
    };
    // A background with the blink bit set has no name here: it shows as Black.
    fill(IDC_NORMAL_BACKGROUND, 8, (normal >> 4) <= 7 ? normal >> 4 : 0);
    fill(IDC_NORMAL_TEXT, 16, normal & 15);
    fill(IDC_HIGHLIGHT_BACKGROUND, 8, (highlight >> 4) <= 7 ? highlight >> 4 : 0);
    fill(IDC_HIGHLIGHT_TEXT, 16, highlight & 15);

    // The client's screen, in a window of its own; the button sits at the
    // right of the banner's label, inside the template's size.
    AddPushButton(IDC_CLIENT_PREVIEW, kPreviewButtonText, 127, 3, 50, 14);
    EnableDlgItem(IDC_CLIENT_PREVIEW, m_pLoader != nullptr);
    // Start item and timeout, in a dialog of their own, beside the preview.
    AddPushButton(IDC_APPEARANCE_START, "&Start...", 72, 3, 50, 14);
    EnableDlgItem(IDC_APPEARANCE_START, m_pLoader != nullptr);
    UpdatePreview();
    return TRUE;
}

uint16_t CAppearanceDlg::ChosenColors() const {
    auto index = [this](int id) { return std::max(0, GetCurSel(id)); };
    const int low = index(IDC_NORMAL_BACKGROUND) * 16 + index(IDC_NORMAL_TEXT);
    const int high = index(IDC_HIGHLIGHT_BACKGROUND) * 16 + index(IDC_HIGHLIGHT_TEXT);
    return static_cast<uint16_t>(high << 8 | low);
}

void CAppearanceDlg::UpdatePreview() {
    if (!m_pLoader) return;
    LoaderFile shown = *m_pLoader;
    shown.SetTitle(GetDlgItemText(IDC_APPEARANCE_BANNER));
    shown.SetColors(ChosenColors());
    m_preview.SetScreen(DrawMenuScreen(shown, StartRow(shown)));
}

void CAppearanceDlg::OnOK() {
    if (m_pLoader) {
        m_pLoader->SetTitle(GetDlgItemText(IDC_APPEARANCE_BANNER));
        m_pLoader->SetColors(ChosenColors());
    }
    CDialog::OnOK();
}

BOOL CAppearanceDlg::OnCommand(UINT id, UINT code) {
    switch (id) {
        case IDC_APPEARANCE_BANNER:
            if (code == EN_CHANGE) UpdatePreview();
            return TRUE;
        case IDC_NORMAL_BACKGROUND:
        case IDC_NORMAL_TEXT:
        case IDC_HIGHLIGHT_BACKGROUND:
        case IDC_HIGHLIGHT_TEXT:
            if (code == CBN_SELCHANGE) UpdatePreview();
            return TRUE;
        case IDHELP:
            if (code == BN_CLICKED) framework::ShowHelp(IDH_SCREEN_APPEARANCE);
            return TRUE;
        case IDC_CLIENT_PREVIEW:
            if (code == BN_CLICKED) m_preview.Open(Window());
            return TRUE;
        case IDC_APPEARANCE_START:
            if (code == BN_CLICKED && m_pLoader) {
                CStartDlg start(m_pLoader, Window());
                start.DoModal();
                UpdatePreview();
            }
            return TRUE;
        default: return CDialog::OnCommand(id, code);
    }
}
