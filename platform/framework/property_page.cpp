#include "platform/framework/property_page.h"

#include <QKeyEvent>
#include <QPlainTextEdit>

#include "platform/ansi_text.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/property_sheet.h"
#include "platform/message_box.h"
#include "res/load_string.h"

namespace framework {

std::string OneLine(const std::string& text) { return platform::WithoutControls(text); }

CPropertyPage::CPropertyPage(unsigned templateId, unsigned captionId) : CDialog(templateId) {
    if (captionId) {
        m_psp.pszTitle = res::LoadString(captionId);
        m_psp.dwFlags |= PSP_USETITLE;
    }
}

BOOL CPropertyPage::OnSetActive() { return TRUE; }
BOOL CPropertyPage::OnKillActive() { return TRUE; }
BOOL CPropertyPage::OnWizardFinish() { return TRUE; }
intptr_t CPropertyPage::OnWizardNext() { return 0; }
intptr_t CPropertyPage::OnWizardBack() { return 0; }

BOOL CPropertyPage::OnCommand(UINT id, UINT code) {
    if (code == BN_CLICKED && (id == static_cast<UINT>(IDOK) || id == static_cast<UINT>(IDCANCEL))) {
        if (m_pSheet) {
            if (id == static_cast<UINT>(IDOK)) {
                m_pSheet->PressDefaultButton();
            } else {
                m_pSheet->PressButton(PSBTN_CANCEL);
            }
        }
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

std::string CPropertyPage::GetTabTitle() const {
    if (m_psp.dwFlags & PSP_USETITLE) return m_psp.pszTitle;
    const res::DialogTemplate* dialog = res::FindDialogTemplate(m_templateId);
    return dialog ? dialog->caption : std::string();
}

QSize CPropertyPage::PageSize() const {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(m_templateId);
    if (!dialog) return {};
    const BaseUnits units = DialogBaseUnits();
    return QSize(DluToPixelsX(dialog->cx, units), DluToPixelsY(dialog->cy, units));
}

void CPropertyPage::BuildWindow(QWidget* parent) {
    CDialog::BuildWindow(parent);
    if (!m_window) return;
    // A page is a child of its sheet whatever its template says.
    m_window->setWindowFlags(Qt::Widget);
    m_window->setParent(parent);
    m_window->setAutoFillBackground(false);
}

CPropertyPageEx::CPropertyPageEx(unsigned templateId, unsigned captionId, unsigned headerTitleId,
                                 unsigned headerSubTitleId)
    : CPropertyPage(templateId, captionId) {
    if (headerTitleId) {
        m_psp.pszHeaderTitle = res::LoadString(headerTitleId);
        m_psp.dwFlags |= PSP_USEHEADERTITLE;
    }
    if (headerSubTitleId) {
        m_psp.pszHeaderSubTitle = res::LoadString(headerSubTitleId);
        m_psp.dwFlags |= PSP_USEHEADERSUBTITLE;
    }
}

}  // namespace framework
