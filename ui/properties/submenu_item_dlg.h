// CSubmenuItemDlg: the Submenu Item Properties dialog. Adds or edits one item
// of a submenu: description, help text and boot image file, or the hard
// drive, and says which PCs it boots on. The caller sets the members before opening it and reads them back
// after OK.
#pragma once

#include <optional>
#include <string>

#include "image/image_file_box.h"
#include "platform/framework/dialog.h"

class CSubmenuItemDlg : public CImageFileBox<framework::CDialog> {
public:
    explicit CSubmenuItemDlg(QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code) override;

    BOOL m_adding = FALSE;     // 1 when a new item is added, 0 when one is edited
    std::string m_folder;      // the image folder, ending with a backslash
    // The loader's stored server path, which the client puts in front of the
    // image name; unset: the folder's part below the share.
    std::optional<std::string> m_serverPath;
    std::string m_imageFile;   // empty: the item boots from the hard drive
    std::string m_description;
    std::string m_helpText;
    class QLabel* m_bootsOn = nullptr;  // "Boots on: ..." as text, for the keyboard too

private:
    std::string ImageFolder() const override { return m_folder; }
    // Hard-drive rule, then image rule, then OK rule.
    void UpdateControls();
};
