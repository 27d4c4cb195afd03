// CStartDlg: the Unattended Start dialog, opened from Submenu Screen
// Appearance. Chooses the item the client's menu starts on and the seconds
// after which it boots that item by itself. A loader file with another
// client program than ours shows both and keeps them.
#pragma once

#include "platform/framework/dialog.h"

class LoaderFile;

class CStartDlg : public framework::CDialog {
public:
    explicit CStartDlg(LoaderFile* loader, QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code) override;

    // The timeout the edit holds: empty is 0; -1 when it is no number of
    // seconds from 0 to LDR_TIMEOUT_MAX.
    int ChosenTimeout() const;

    LoaderFile* m_pLoader = nullptr;
};
