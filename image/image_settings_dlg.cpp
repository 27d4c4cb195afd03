#include "image/image_settings_dlg.h"

#include <string>

#include "image/image_operations.h"
#include "platform/framework/win_app.h"
#include "res/resource.h"

namespace {
constexpr int kCapacityChoices = 8;  // 2 MB to 16 MB
}

int CapacityFromIndex(int index) { return 2 * index + 2; }
int IndexFromCapacity(int capacity) { return capacity / 2 - 1; }

CImageSettingsDlg::CImageSettingsDlg(ImageCreateRequest& request, QWidget* parent)
    : CDialog(res::IDD_IMAGE_SETTINGS, parent), m_request(request) {}

BOOL CImageSettingsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int i = 0; i < kCapacityChoices; ++i)
        AddString(IDC_SETTINGS_CAPACITY, std::to_string(CapacityFromIndex(i)) + " MB");
    SetCurSel(IDC_SETTINGS_CAPACITY, 0);

    const int capacity = static_cast<int>(m_request.capacity);
    const int index = IndexFromCapacity(capacity);
    if (capacity == 0) {
        CheckRadioButton(IDC_SETTINGS_NORMAL, IDC_SETTINGS_EXTENDED, IDC_SETTINGS_NORMAL);
        EnableDlgItem(IDC_SETTINGS_CAPACITY, FALSE);
        EnableDlgItem(IDC_SETTINGS_WRITABLE, FALSE);
    } else {
        CheckDlgButton(IDC_SETTINGS_WRITABLE, (m_request.options & KTIMG_OPTION_WRITABLE) != 0);
        CheckRadioButton(IDC_SETTINGS_NORMAL, IDC_SETTINGS_EXTENDED, IDC_SETTINGS_EXTENDED);
        // A capacity outside the list (only a caller's mistake) keeps the
        // first choice rather than selecting nothing.
        if (index >= 0 && index < kCapacityChoices) SetCurSel(IDC_SETTINGS_CAPACITY, index);
    }

    if (m_request.options & KTIMG_OPTION_KEEP_UNDI) {
        CheckDlgButton(IDC_SETTINGS_KEEP_UNDI, TRUE);
        if (m_request.options & KTIMG_OPTION_KEEP_BASE) CheckDlgButton(IDC_SETTINGS_KEEP_BASE, TRUE);
    } else {
        EnableDlgItem(IDC_SETTINGS_KEEP_BASE, FALSE);
    }
    return TRUE;
}

BOOL CImageSettingsDlg::OnCommand(UINT id, UINT code) {
    if (code == framework::BN_CLICKED) {
        switch (id) {
            case IDC_SETTINGS_NORMAL:
                EnableDlgItem(IDC_SETTINGS_CAPACITY, FALSE);
                EnableDlgItem(IDC_SETTINGS_WRITABLE, FALSE);
                return TRUE;
            case IDC_SETTINGS_EXTENDED:
                EnableDlgItem(IDC_SETTINGS_CAPACITY, TRUE);
                EnableDlgItem(IDC_SETTINGS_WRITABLE, TRUE);
                return TRUE;
            case IDC_SETTINGS_KEEP_UNDI: {
                // Base code cannot stay in memory without the driver under it.
                BOOL undi = IsDlgButtonChecked(IDC_SETTINGS_KEEP_UNDI);
                EnableDlgItem(IDC_SETTINGS_KEEP_BASE, undi);
                if (!undi) CheckDlgButton(IDC_SETTINGS_KEEP_BASE, FALSE);
                return TRUE;
            }
            case framework::IDHELP:
                framework::ShowHelp(IDH_IMAGE_SETTINGS);
                return TRUE;
        }
    }
    return CDialog::OnCommand(id, code);
}

void CImageSettingsDlg::OnOK() {
    uint32_t capacity = 0;
    if (IsDlgButtonChecked(IDC_SETTINGS_EXTENDED)) {
        int index = GetCurSel(IDC_SETTINGS_CAPACITY);
        capacity = static_cast<uint32_t>(CapacityFromIndex(index < 0 ? 0 : index));
    }
    uint32_t options = 0;
    if (IsDlgButtonChecked(IDC_SETTINGS_KEEP_BASE)) options |= KTIMG_OPTION_KEEP_BASE;
    if (IsDlgButtonChecked(IDC_SETTINGS_KEEP_UNDI)) options |= KTIMG_OPTION_KEEP_UNDI;
    // A plain diskette is served by the menu's own RAM disk, which has no
    // such choice: the box counts for extended images only.
    if (capacity != 0 && IsDlgButtonChecked(IDC_SETTINGS_WRITABLE)) options |= KTIMG_OPTION_WRITABLE;
    m_request.capacity = capacity;
    m_request.options = options;
    CDialog::OnOK();
}
