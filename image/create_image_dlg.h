// CCreateImageDlg: the Create Boot Image File dialog. Takes a file name for
// the image folder, lets Advanced choose capacity and options, and has the
// image library create the file.
#pragma once

#include <array>
#include <string>

#include "imagelib/image_library.h"
#include "platform/framework/dialog.h"

class CCreateImageDlg : public framework::CDialog {
public:
    explicit CCreateImageDlg(const std::string& folder, QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code) override;

    void OnAdvanced();

    std::string m_folder;            // the image folder, ending with a backslash
    std::string m_fileName;          // the name the file was created under
    ImageCreateRequest m_request{};  // reset each time the dialog opens
    std::array<char, 256> m_path{};  // the path handed to the library

    // Runs the Advanced Image Settings dialog on m_request; tests replace it.
    static int (*s_runSettings)(CCreateImageDlg& owner);

private:
    void Refuse(unsigned stringId);
};
