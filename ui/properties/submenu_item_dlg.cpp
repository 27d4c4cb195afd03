#include "ui/properties/submenu_item_dlg.h"

#include "image/image_help_route.h"
#include "image/image_operations.h"
#include "loader/layout.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "ui/common/boots_on_tooltip.h"

CSubmenuItemDlg::CSubmenuItemDlg(QWidget* parent) : CDialog(res::IDD_SUBMENU_ITEM, parent) {}

BOOL CSubmenuItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    RouteImageHelp(*this);
    SetDlgItemText(IDC_IMAGE_FILE, m_imageFile);
    LimitText(IDC_SUBMENU_DESCRIPTION, layout::DESCRIPTION_MAX);
    SetDlgItemText(IDC_SUBMENU_DESCRIPTION, m_description);
    LimitText(IDC_SUBMENU_HELP_TEXT, layout::HELP_TEXT_MAX);
    SetDlgItemText(IDC_SUBMENU_HELP_TEXT, m_helpText);
    KeepOnOneLine(IDC_SUBMENU_HELP_TEXT);
    // Which PCs the item boots on: the named image's, or the hard drive's.
    InstallBootsOnTooltip(GetDlgItem(IDC_IMAGE_FILE), [this](const QPoint&) -> std::optional<TooltipItem> {
        const std::string name = GetDlgItemText(IDC_IMAGE_FILE);
        if (name.empty() && !IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE)) return std::nullopt;
        return TooltipItem{m_folder, IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE) ? std::string() : name};
    });
    // An existing item without an image boots from the hard drive.
    if (!m_adding && m_imageFile.empty()) CheckDlgButton(IDC_SUBMENU_HARD_DRIVE, TRUE);
    UpdateControls();
    return TRUE;
}

void CSubmenuItemDlg::UpdateControls() {
    const BOOL hardDrive = IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE);
    const bool hasName = !GetDlgItemText(IDC_IMAGE_FILE).empty();
    // Without an image folder the buttons would work in the program's current
    // folder, so they stay off.
    const BOOL buttons = !hardDrive && !m_folder.empty();
    EnableDlgItem(IDC_IMAGE_FILE, !hardDrive);
    EnableDlgItem(IDC_IMAGE_BROWSE, buttons);
    EnableDlgItem(IDC_IMAGE_CREATE, buttons);
    // The image rule comes after the hard-drive rule, so that unchecking the
    // box with an empty name leaves View off.
    EnableDlgItem(IDC_IMAGE_VIEW, buttons && hasName);
    const bool hasDescription = !GetDlgItemText(IDC_SUBMENU_DESCRIPTION).empty();
    EnableDlgItem(IDOK, (hardDrive || hasName) && hasDescription);
}

BOOL CSubmenuItemDlg::OnCommand(UINT id, UINT code) {
    if (OnImageButtonCommand(*this, id, code, m_folder)) return TRUE;
    switch (id) {
        case IDC_SUBMENU_HARD_DRIVE:
            if (code == framework::BN_CLICKED) UpdateControls();
            return TRUE;
        case IDC_IMAGE_FILE:
        case IDC_SUBMENU_DESCRIPTION:
            if (code == framework::EN_CHANGE) UpdateControls();
            return TRUE;
        case framework::IDHELP:
            if (code == framework::BN_CLICKED) framework::ShowHelp(IDH_SUBMENU_ITEM);
            return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

BOOL CSubmenuItemDlg::OnWindowMessage(UINT message, intptr_t, intptr_t lParam) {
    if (message != WM_IMAGE_HELP) return FALSE;
    framework::ShowHelp(static_cast<unsigned>(lParam));
    return TRUE;
}

void CSubmenuItemDlg::OnOK() {
    // Enter reaches OK even while its button is off; the rules still hold.
    if (!IsDlgItemEnabled(IDOK)) return;
    std::string imageFile = GetDlgItemText(IDC_IMAGE_FILE);
    std::string description = GetDlgItemText(IDC_SUBMENU_DESCRIPTION);
    std::string helpText = GetDlgItemText(IDC_SUBMENU_HELP_TEXT);
    if (IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE)) {
        imageFile.clear();
    } else {
        if (!CheckImageFileName(m_folder, imageFile, m_serverPath ? &*m_serverPath : nullptr)) return;
        if (!ConfirmImageFile(m_folder, imageFile)) return;
    }
    m_imageFile = imageFile;
    m_description = description;
    m_helpText = helpText;
    CDialog::OnOK();
}
