// The wizard style of a property sheet: a header band with the active page's
// title and subtitle, the watermark picture, and Back, Next, Finish, Cancel
// and Help below the pages. Finish is always shown. The pages decide which
// buttons work through SetWizardButtons; the request is posted, so it takes
// effect once the current message has been handled, as the pages expect.
#pragma once

#include "platform/framework/property_sheet.h"

class QLabel;

namespace framework {

// Wizard button flags, with their Windows values.
enum : UINT {
    PSWIZB_BACK = 1,
    PSWIZB_NEXT = 2,
    PSWIZB_FINISH = 4,
    PSWIZB_DISABLEDFINISH = 8,
};

class CPropertySheetEx : public CPropertySheet {
public:
    explicit CPropertySheetEx(const std::string& caption, QWidget* parent = nullptr, unsigned selectPage = 0,
                              unsigned watermarkBitmap = 0);

    // Back enabled with PSWIZB_BACK, Next with PSWIZB_NEXT, Finish with
    // PSWIZB_FINISH; every absent flag disables its button (Finish stays
    // visible, disabled, with PSWIZB_DISABLEDFINISH or without PSWIZB_FINISH).
    void SetWizardButtons(UINT flags) override;
    // The flags last applied to the buttons.
    UINT AppliedWizardButtons() const { return m_applied; }
    void PressButton(int button) override;
    void PressDefaultButton() override;

    bool IsWizard() const { return m_psh.dwFlags & (PSH_WIZARD | PSH_WIZARD97); }
    QLabel* HeaderTitle() const { return m_headerTitle; }
    QLabel* HeaderSubTitle() const { return m_headerSubTitle; }
    QLabel* Watermark() const { return m_watermark; }

protected:
    void BuildLayout(QSize pageSize) override;
    void OnPageShown() override;

private:
    void ApplyWizardButtons(UINT flags);
    void Next();
    void Back();
    void Finish();

    QLabel* m_headerTitle = nullptr;
    QLabel* m_headerSubTitle = nullptr;
    QLabel* m_watermark = nullptr;
    UINT m_applied = 0;
};

}  // namespace framework
