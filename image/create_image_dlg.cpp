#include "image/create_image_dlg.h"

#include <cstring>

#include "image/image_library_calls.h"
#include "image/image_operations.h"
#include "image/image_settings_dlg.h"
#include "platform/file_system.h"
#include "platform/framework/win_app.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

int RunSettings(CCreateImageDlg& owner) {
    CImageSettingsDlg settings(owner.m_request, owner.Window());
    return settings.DoModal();
}

}  // namespace

int (*CCreateImageDlg::s_runSettings)(CCreateImageDlg& owner) = &RunSettings;

CCreateImageDlg::CCreateImageDlg(const std::string& folder, QWidget* parent)
    : CDialog(res::IDD_CREATE_IMAGE, parent), m_folder(folder) {}

BOOL CCreateImageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // Every opening starts from a normal-capacity diskette without options.
    m_request = ImageCreateRequest{};
    m_request.size = sizeof(ImageCreateRequest);
    m_request.owner = GetSafeHwnd();
    m_request.fixed = KTIMG_CREATE_FIXED;
    m_path.fill(0);
    m_fileName.clear();
    SetDlgItemText(IDC_CREATE_NAME, "");
    return TRUE;
}

BOOL CCreateImageDlg::OnCommand(UINT id, UINT code) {
    if (code == framework::BN_CLICKED) {
        if (id == static_cast<UINT>(IDC_CREATE_ADVANCED)) {
            OnAdvanced();
            return TRUE;
        }
        if (id == static_cast<UINT>(framework::IDHELP)) {
            framework::ShowHelp(IDH_CREATE_IMAGE);
            return TRUE;
        }
    }
    return CDialog::OnCommand(id, code);
}

void CCreateImageDlg::OnAdvanced() { s_runSettings(*this); }

void CCreateImageDlg::Refuse(unsigned stringId) {
    platform::MessageBox(GetSafeHwnd(), res::LoadString(stringId), GetWindowText(), platform::MB_ICONERROR);
}

void CCreateImageDlg::OnOK() {
    std::string name = GetDlgItemText(IDC_CREATE_NAME);  // as typed, not trimmed
    if (name.empty()) {
        Refuse(res::IDS_NO_IMAGE_NAME);
        return;
    }
    if (name.find('.') == std::string::npos) name += ".img";

    // Everything that would make the library write somewhere other than the
    // image folder, or cut the path short, is refused before it is called.
    if (m_folder.empty()) {
        Refuse(res::IDS_INVALID_PATH);
        return;
    }
    if (unsigned problem = ImageFileNameProblem(m_folder, name)) {
        Refuse(problem);
        return;
    }
    const std::string fullPath = m_folder + name;
    platform::ResolvedPath target = platform::Resolve(fullPath);
    if (target.error != platform::FileError::None || target.isDirectory) {
        Refuse(res::IDS_INVALID_PATH);
        return;
    }
    const std::string host = target.host.string();
    if (host.size() >= m_path.size()) {
        Refuse(res::IDS_PATH_TOO_LONG);
        return;
    }
    if (target.exists) {
        // The library replaces whatever lies there; an image another item
        // boots is not lost without the user saying so.
        std::string question = "The file " + fullPath + " already exists.  Do you want to replace it?";
        if (platform::MessageBox(GetSafeHwnd(), question, GetWindowText(),
                                 platform::MB_YESNO | platform::MB_ICONQUESTION) != IDYES)
            return;
    }

    m_path.fill(0);
    std::memcpy(m_path.data(), host.data(), host.size());
    m_request.options |= KTIMG_OPTION_STANDARD;
    m_request.path = m_path.data();
    m_request.owner = GetSafeHwnd();
    int result = image::ImageLibrary().CreateImage(m_request);
    if (result != KTIMG_OK) {
        // The dialog stays open with the name and the options, so the user can
        // change the name or cancel; the reason is said, not left to guess.
        platform::MessageBox(GetSafeHwnd(), res::FormatString(res::IDS_IMAGE_NOT_CREATED, fullPath.c_str()),
                             GetWindowText(), platform::MB_ICONERROR);
        return;
    }
    m_fileName = name;
    CDialog::OnOK();
}
