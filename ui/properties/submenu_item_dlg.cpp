#include "ui/properties/submenu_item_dlg.h"

#include <QLabel>

#include "loader/layout.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "ui/common/boots_on_tooltip.h"
#include "ui/common/start_summary.h"

CSubmenuItemDlg::CSubmenuItemDlg(QWidget* parent) : CImageFileBox(res::IDD_SUBMENU_ITEM, parent) {}

BOOL CSubmenuItemDlg::OnInitDialog() {
    CImageFileBox::OnInitDialog();
    SetDlgItemText(IDC_IMAGE_FILE, m_imageFile);
    LimitText(IDC_SUBMENU_DESCRIPTION, layout::DESCRIPTION_MAX);
    SetDlgItemText(IDC_SUBMENU_DESCRIPTION, m_description);
    LimitText(IDC_SUBMENU_HELP_TEXT, layout::HELP_TEXT_MAX);
    SetDlgItemText(IDC_SUBMENU_HELP_TEXT, m_helpText);
    KeepOnOneLine(IDC_SUBMENU_HELP_TEXT);
    // Which PCs the item boots on: the named image's, or the hard drive's.
    InstallBootsOnTooltip(GetDlgItem(IDC_IMAGE_FILE), [this](const QPoint&) -> std::optional<TooltipItem> {
        const std::string name = ImageFileText();
        if (name.empty() && !IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE)) return std::nullopt;
        return TooltipItem{m_folder, IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE) ? std::string() : name};
    });
    // An existing item without an image boots from the hard drive.
    if (!m_adding && m_imageFile.empty()) CheckDlgButton(IDC_SUBMENU_HARD_DRIVE, TRUE);
    // Between the image name and its buttons.
    m_bootsOn = AddTextLine(*this, 7, 119, 221);
    UpdateControls();
    return TRUE;
}

void CSubmenuItemDlg::UpdateControls() {
    const BOOL hardDrive = IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE);
    const bool hasName = !ImageFileText().empty();
    // One call for the hard-drive rule and the image rule, so that unchecking
    // the box with an empty name leaves View off.
    EnableImageBox(!hardDrive, hasName);
    const bool hasDescription = !GetDlgItemText(IDC_SUBMENU_DESCRIPTION).empty();
    EnableDlgItem(IDOK, (hardDrive || hasName) && hasDescription);
    if (m_bootsOn)
        m_bootsOn->setText(hardDrive || hasName
                               ? framework::ToQt(BootsOnLine({m_folder, hardDrive ? std::string() : ImageFileText()}))
                               : QString());
}

BOOL CSubmenuItemDlg::OnCommand(UINT id, UINT code) {
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
    return CImageFileBox::OnCommand(id, code);
}

void CSubmenuItemDlg::OnOK() {
    // Enter reaches OK even while its button is off; the rules still hold.
    if (!IsDlgItemEnabled(IDOK)) return;
    std::string imageFile = ImageFileText();
    std::string description = GetDlgItemText(IDC_SUBMENU_DESCRIPTION);
    std::string helpText = GetDlgItemText(IDC_SUBMENU_HELP_TEXT);
    if (IsDlgButtonChecked(IDC_SUBMENU_HARD_DRIVE)) {
        imageFile.clear();
    } else {
        if (!AcceptImageFile(imageFile, m_serverPath ? &*m_serverPath : nullptr)) return;
    }
    m_imageFile = imageFile;
    m_description = description;
    m_helpText = helpText;
    CImageFileBox::OnOK();
}
