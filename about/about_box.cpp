#include "about_box.h"

#include <cstdio>

#include "image_library.h"
#include "resource.h"
#include "string_table.h"
#include "win_app.h"

const char kMakerWebPage[] = "https://menvolt.example.org/";

namespace {

uint32_t LibraryVersion() { return KTIMGVer(); }

res::DialogTemplate MakeTemplate() {
    using K = res::ControlKind;
    res::DialogTemplate d;
    d.id = res::IDD_ABOUT_BOX;
    d.caption = "About";
    d.cx = 192;
    d.cy = 138;
    d.style = res::DS_CAPTION | res::DS_SYSMENU;
    d.controls = {
        {IDC_STATIC, K::StaticBitmap, "", 7, 7, 82, 55, res::CS_BORDER, res::IDB_LOGO},
        {IDC_STATIC, K::Static, "Menvolt", 100, 7, 85, 8, 0, 0},
        {IDC_ABOUT_APP_VERSION, K::Static, "App:", 100, 17, 85, 8, 0, 0},
        {IDC_ABOUT_LIBRARY_VERSION, K::Static, "DLL:", 100, 27, 85, 8, 0, 0},
        {IDC_ABOUT_NOTICE1, K::Static, "", 7, 70, 178, 8, 0, 0},
        {IDC_ABOUT_NOTICE2, K::Static, "", 7, 80, 178, 8, 0, 0},
        {IDC_STATIC, K::Static, "Pellar information", 7, 93, 78, 8, 0, 0},
        {IDC_ABOUT_LINK, K::Static, kMakerWebPage, 7, 103, 116, 8, 0, 0},
        {IDC_ABOUT_SUPPORT, K::PushButton, "Technical Support...", 7, 117, 75, 14, res::CS_TABSTOP, 0},
        {IDCANCEL, K::PushButton, "Close", 135, 117, 50, 14, res::CS_TABSTOP, 0},
    };
    return d;
}

}  // namespace

const res::DialogTemplate& CAboutBox::Template() {
    if (!res::FindDialogTemplate(res::IDD_ABOUT_BOX)) res::RegisterDialogTemplate(MakeTemplate());
    return *res::FindDialogTemplate(res::IDD_ABOUT_BOX);
}

CAboutBox::CAboutBox(QWidget* parent)
    : CDialog(Template().id, parent), m_imageLibraryVersion(&LibraryVersion) {}

BOOL CAboutBox::OnInitDialog() {
    CDialog::OnInitDialog();
    // The link takes over its static as the dialog's controls are bound,
    // before anything below touches them.
    m_link.SubclassDlgItem(IDC_ABOUT_LINK, this);

    SetDlgItemText(IDC_ABOUT_APP_VERSION, std::string("App: ") + res::LoadString(res::IDS_APP_VERSION));
    SetDlgItemText(IDC_ABOUT_NOTICE1, res::LoadString(res::IDS_NOTICE1));
    SetDlgItemText(IDC_ABOUT_NOTICE2, res::LoadString(res::IDS_NOTICE2));
    SetDlgItemText(IDC_ABOUT_LIBRARY_VERSION, FormatLibraryVersion(m_imageLibraryVersion()));
    m_link.SetLink(kMakerWebPage);
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
