#include "ui/properties/edit_image_page.h"

#include <QLabel>
#include <QWidget>

#include "loader/loader_file.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/common/boots_on_tooltip.h"
#include "ui/common/start_summary.h"

CEditImagePage::CEditImagePage() : CImageFileBox(res::IDD_EDIT_IMAGE_PAGE) {}

std::string CEditImagePage::ImageFolder() const { return m_pLoader ? m_pLoader->GetFolder() : std::string(); }

BOOL CEditImagePage::OnInitDialog() {
    CImageFileBox::OnInitDialog();
    if (!m_pLoader) return TRUE;
    if (m_pLoader->m_error != 0) {
        // The page shows only why the loader could not be read.
        SetDlgItemText(IDC_IMAGE_LABEL, m_pLoader->ErrorText());
        for (int id : {IDC_IMAGE_FILE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW, IDC_IMAGE_BROWSE}) ShowDlgItem(id, FALSE);
        return TRUE;
    }
    SetDlgItemText(IDC_IMAGE_FILE, m_pLoader->GetImageFile(0));
    // Under the buttons, inside the page the sheet gives every page.
    m_bootsOn = AddTextLine(*this, 7, 56, 160);
    UpdateBootsOn();
    if (!m_missingLoader.empty()) {
        // A missing loader is no image problem: say what is missing, so that
        // an OK's "No image file specified." is not the first word of it.
        m_missingNote = AddTextLine(*this, 7, 66, 221, 28);
        m_missingNote->setWordWrap(true);
        m_missingNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_missingNote->setText(
            framework::ToQt(res::FormatString(res::IDS_LOADER_MISSING_PAGE, m_missingLoader.c_str())));
    }
    // Which PCs the named image boots on; an empty name is no item yet.
    InstallBootsOnTooltip(GetDlgItem(IDC_IMAGE_FILE), [this](const QPoint&) -> std::optional<TooltipItem> {
        const std::string name = ImageFileText();
        if (name.empty()) return std::nullopt;
        return TooltipItem{ImageFolder(), name};
    });
    // View does not wait for a name here: with none it says what is wrong.
    EnableImageBox(true, true);
    return TRUE;
}

BOOL CEditImagePage::OnKillActive() {
    if (!m_pLoader || m_pLoader->m_error != 0) return CImageFileBox::OnKillActive();
    const std::string name = ImageFileText();
    const std::string folder = ImageFolder();
    // A name the client cannot fetch from the image folder is never stored.
    const std::string serverPath = m_pLoader->GetServerPath();
    if (!CheckImageFileName(folder, name, &serverPath)) return FALSE;
    if (!m_pLoader->SetItem(0, name, "", "")) {
        platform::AfxMessageBox(res::IDS_LOADER_TOO_LARGE, platform::MB_ICONERROR);
        return FALSE;
    }
    if (!ConfirmImageFile(folder, name)) return FALSE;
    return CImageFileBox::OnKillActive();
}

void CEditImagePage::UpdateBootsOn() {
    if (!m_bootsOn) return;
    const std::string name = ImageFileText();
    m_bootsOn->setText(name.empty() ? QString() : framework::ToQt(BootsOnLine({ImageFolder(), name})));
}

BOOL CEditImagePage::OnCommand(UINT id, UINT code) {
    if (code == framework::BN_CLICKED && id == framework::ID_HELP) {
        framework::ShowHelp(IDH_PROPERTIES_SINGLE);
        return TRUE;
    }
    const BOOL done = CImageFileBox::OnCommand(id, code);
    // A new name, or an image made or changed by Create and View.
    UpdateBootsOn();
    return done;
}
