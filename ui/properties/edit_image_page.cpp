#include "ui/properties/edit_image_page.h"

#include <QWidget>

#include "image/image_help_route.h"
#include "image/image_operations.h"
#include "loader/loader_file.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "ui/common/boots_on_tooltip.h"

CEditImagePage::CEditImagePage() : CPropertyPage(res::IDD_EDIT_IMAGE_PAGE) {}

std::string CEditImagePage::Folder() const { return m_pLoader ? m_pLoader->GetFolder() : std::string(); }

BOOL CEditImagePage::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    RouteImageHelp(*this);
    if (!m_pLoader) return TRUE;
    if (m_pLoader->m_error != 0) {
        // The page shows only why the loader could not be read.
        SetDlgItemText(IDC_IMAGE_LABEL, res::LoadString(m_pLoader->m_error));
        for (int id : {IDC_IMAGE_FILE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW, IDC_IMAGE_BROWSE}) ShowDlgItem(id, FALSE);
        return TRUE;
    }
    SetDlgItemText(IDC_IMAGE_FILE, m_pLoader->GetImageFile(0));
    // Which PCs the named image boots on; an empty name is no item yet.
    InstallBootsOnTooltip(GetDlgItem(IDC_IMAGE_FILE), [this](const QPoint&) -> std::optional<TooltipItem> {
        const std::string name = GetDlgItemText(IDC_IMAGE_FILE);
        if (name.empty()) return std::nullopt;
        return TooltipItem{Folder(), name};
    });
    // A loader without a path has no image folder: the buttons would work in
    // the program's current folder.
    if (Folder().empty())
        for (int id : {IDC_IMAGE_BROWSE, IDC_IMAGE_CREATE, IDC_IMAGE_VIEW}) EnableDlgItem(id, FALSE);
    return TRUE;
}

BOOL CEditImagePage::OnKillActive() {
    if (!m_pLoader || m_pLoader->m_error != 0) return CPropertyPage::OnKillActive();
    const std::string name = GetDlgItemText(IDC_IMAGE_FILE);
    const std::string folder = Folder();
    // A name the client cannot fetch from the image folder is never stored.
    const std::string serverPath = m_pLoader->GetServerPath();
    if (!CheckImageFileName(folder, name, &serverPath)) return FALSE;
    if (!m_pLoader->SetItem(0, name, "", "")) {
        platform::AfxMessageBox(res::IDS_LOADER_TOO_LARGE, platform::MB_ICONERROR);
        return FALSE;
    }
    if (!ConfirmImageFile(folder, name)) return FALSE;
    return CPropertyPage::OnKillActive();
}

BOOL CEditImagePage::OnCommand(UINT id, UINT code) {
    if (OnImageButtonCommand(*this, id, code, Folder())) return TRUE;
    if (code == framework::BN_CLICKED && id == framework::ID_HELP) {
        framework::ShowHelp(IDH_PROPERTIES_SINGLE);
        return TRUE;
    }
    return CPropertyPage::OnCommand(id, code);
}

BOOL CEditImagePage::OnWindowMessage(UINT message, intptr_t, intptr_t lParam) {
    if (message != WM_IMAGE_HELP) return FALSE;
    framework::ShowHelp(static_cast<unsigned>(lParam));
    return TRUE;
}
