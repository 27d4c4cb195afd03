// CAppearanceDlg: the Submenu Screen Appearance dialog. Edits the banner and
// the colours of normal and highlighted text of a loader document, and shows
// the client's menu screen as it will look.
#pragma once

#include "platform/framework/dialog.h"
#include "ui/common/client_screen_preview.h"

class LoaderFile;

class CAppearanceDlg : public framework::CDialog {
public:
    explicit CAppearanceDlg(LoaderFile* loader = nullptr, QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code) override;

    // The colour word the four boxes choose.
    uint16_t ChosenColors() const;
    const ClientScreenPreview* Preview() const { return &m_preview; }
    ClientScreenPreview* Preview() { return &m_preview; }

    LoaderFile* m_pLoader = nullptr;

private:
    void UpdatePreview();
    ClientScreenPreview m_preview;
};

// The colour names, in colour-number order.
extern const char* const kColourNames[16];
