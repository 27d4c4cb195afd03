#include "about/about_box.h"

#include <cstdio>

#include "image/image_library_calls.h"
#include "platform/framework/win_app.h"
#include "res/resource.h"
#include "res/string_table.h"

const res::DialogTemplate& CAboutBox::Template() { return *res::FindDialogTemplate(res::IDD_ABOUT_BOX); }

CAboutBox::CAboutBox(QWidget* parent)
    : CDialog(Template().id, parent), m_imageLibraryVersion(&image::LibraryVersion) {}

BOOL CAboutBox::OnInitDialog() {
    CDialog::OnInitDialog();
    // The link takes over its static as the dialog's controls are bound,
    // before anything below touches them.
    m_link.SubclassDlgItem(IDC_ABOUT_LINK, this);

    SetDlgItemText(IDC_ABOUT_APP_VERSION, std::string("App: ") + res::LoadString(res::IDS_APP_VERSION));
    SetDlgItemText(IDC_ABOUT_NOTICE1, res::LoadString(res::IDS_NOTICE1));
    SetDlgItemText(IDC_ABOUT_NOTICE2, res::LoadString(res::IDS_NOTICE2));
    SetDlgItemText(IDC_ABOUT_LIBRARY_VERSION, FormatLibraryVersion(m_imageLibraryVersion()));
    m_link.SetLink(res::kMakerWebPage);
    return TRUE;
}

BOOL CAboutBox::OnCommand(UINT id, UINT code) {
    if (id == IDC_ABOUT_SUPPORT) {
        if (code == framework::BN_CLICKED)
            framework::ShowHelp(IDH_TECHNICAL_SUPPORT);
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

std::string CAboutBox::FormatLibraryVersion(uint32_t answer) {
    char line[64];
    std::snprintf(line, sizeof line, "DLL: v%X.%02X build %u", static_cast<unsigned>(answer >> 24),
                  static_cast<unsigned>((answer >> 16) & 0xFF), static_cast<unsigned>(answer & 0xFFFF));
    return line;
}
