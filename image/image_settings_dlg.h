// CImageSettingsDlg: the Advanced Image Settings dialog. Edits the capacity
// and the options of a create request in place, so that reopening it within
// one Create Boot Image File dialog shows the earlier choice.
#pragma once

#include "imagelib/image_library.h"
#include "platform/framework/dialog.h"

class CImageSettingsDlg : public framework::CDialog {
public:
    explicit CImageSettingsDlg(ImageCreateRequest& request, QWidget* parent = nullptr);

    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL OnCommand(UINT id, UINT code) override;

    ImageCreateRequest& m_request;
};

// Extended capacities in megabytes: list index i holds 2 * i + 2.
int CapacityFromIndex(int index);
int IndexFromCapacity(int capacity);
