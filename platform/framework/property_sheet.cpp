#include "platform/framework/property_sheet.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QTabBar>

#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/message_box.h"
#include "res/dialog_template.h"

namespace framework {

// ---- SheetWindow ---------------------------------------------------------------

SheetWindow::SheetWindow(CPropertySheet* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

void SheetWindow::reject() { m_owner->PressButton(PSBTN_CANCEL); }

void SheetWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) m_owner->FocusActivePage();
}

void SheetWindow::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Tab and Ctrl+Page Down go to the next tab, with Shift or Page Up
    // to the previous one.
    if (TabControl* tabs = m_owner->Tabs(); tabs && (event->modifiers() & Qt::ControlModifier)) {
        int step = 0;
        if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_PageDown) step = 1;
        if (event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp ||
            (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier)))
            step = -1;
        if (step != 0 && tabs->GetItemCount() > 0) {
            const int count = tabs->GetItemCount();
            tabs->Bar()->setCurrentIndex((tabs->GetCurSel() + step + count) % count);
            return;
        }
    }
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();
            } else {
                m_owner->PressDefaultButton();
            }
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            reject();
            return;
        }
        if (event->key() == Qt::Key_F1) {
            if (QPushButton* help = m_owner->Button(ID_HELP); help && help->isEnabled())
                m_owner->PressButton(PSBTN_HELP);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

// ---- CPropertySheet ---------------------------------------------------------------

CPropertySheet::CPropertySheet(const std::string& caption, QWidget* parent, unsigned selectPage)
    : m_caption(caption), m_parent(parent) {
    m_psh.nStartPage = selectPage;
}

CPropertySheet::~CPropertySheet() { DestroyWindow(); }

void CPropertySheet::AddPage(CPropertyPage* page) {
    page->m_pSheet = this;
    m_pages.push_back(page);
    if (m_tabs) {
        QSignalBlocker block(m_tabs);
        m_tabs->InsertItem(GetPageCount() - 1, ToQt(page->GetTabTitle()));
    }
}

CPropertyPage* CPropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* page) const {
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[static_cast<size_t>(i)] == page) return i;
    return -1;
}

void CPropertySheet::RemovePage(CPropertyPage* page) { RemovePage(GetPageIndex(page)); }

void CPropertySheet::RemovePage(int index) {
    CPropertyPage* page = GetPage(index);
    if (!page) return;
    page->DestroyWindow();
    page->m_pSheet = nullptr;
    m_pages.erase(m_pages.begin() + index);
    if (m_tabs) {
        QSignalBlocker block(m_tabs);
        m_tabs->Bar()->removeTab(index);
    }
    if (index < m_active) {
        --m_active;
    } else if (index == m_active) {
        // The active page went: show its neighbour without asking it anything.
        m_active = -1;
        if (m_window && GetPageCount() > 0) ActivatePage(std::min(index, GetPageCount() - 1), false);
    }
    if (m_tabs && m_active >= 0) m_tabs->SetCurSel(m_active);
}

QSize CPropertySheet::LargestPage() const {
    QSize size(0, 0);
    for (CPropertyPage* page : m_pages) size = size.expandedTo(page->PageSize());
    return size;
}

QPushButton* CPropertySheet::AddButton(UINT id, const std::string& text, QRect rect) {
    auto* button = new QPushButton(ToQt(text), m_window);
    button->setGeometry(rect);
    button->setAutoDefault(false);
    PressMnemonicAtOnce(button);
    m_buttons.emplace_back(id, button);
    return button;
}

QPushButton* CPropertySheet::Button(UINT id) const {
    for (auto& [buttonId, button] : m_buttons)
        if (buttonId == id) return button;
    return nullptr;
}

void CPropertySheet::BuildLayout(QSize pageSize) {
    const BaseUnits units = DialogBaseUnits();
    const int margin = DluToPixelsX(7, units);
    const int pad = DluToPixelsX(4, units);
    m_tabs = new TabControl(m_window);
    for (int i = 0; i < GetPageCount(); ++i) m_tabs->InsertItem(i, ToQt(m_pages[static_cast<size_t>(i)]->GetTabTitle()));
    const int barHeight = m_tabs->Bar()->sizeHint().height();
    m_tabs->setGeometry(margin, margin, pageSize.width() + 2 * pad, barHeight + pageSize.height() + 2 * pad);
    m_pageOrigin = QPoint(margin + pad, margin + barHeight + pad);
    m_pageArea = pageSize;
    QObject::connect(m_tabs, &TabControl::selectionChanged, m_window, [this](int index) { OnTabChanged(index); });

    const int bw = DluToPixelsX(50, units), bh = DluToPixelsY(14, units), gap = DluToPixelsX(4, units);
    const int width = std::max(m_tabs->geometry().right() + 1 + margin, 3 * bw + 2 * gap + 2 * margin);
    const int top = m_tabs->geometry().bottom() + 1 + DluToPixelsY(7, units);
    // OK, Cancel and Help at the right, in that order, which is also their
    // tab order; there is no Apply button.
    int x = width - margin - 3 * bw - 2 * gap;
    QPushButton* ok = AddButton(IDOK, "OK", QRect(x, top, bw, bh));
    x += bw + gap;
    QPushButton* cancel = AddButton(IDCANCEL, "Cancel", QRect(x, top, bw, bh));
    x += bw + gap;
    QPushButton* help = AddButton(ID_HELP, "Help", QRect(x, top, bw, bh));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_OK); });
    QObject::connect(cancel, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_CANCEL); });
    QObject::connect(help, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_HELP); });
    m_window->setFixedSize(width, top + bh + DluToPixelsY(7, units));
}

BOOL CPropertySheet::Create() {
    if (m_window) return TRUE;
    if (m_pages.empty()) return FALSE;
    m_window = new SheetWindow(this, m_parent);
    m_window->setFont(DialogFont());
    m_window->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint);
    m_window->setWindowTitle(ToQt(m_caption));
    m_ended = false;
    m_result = IDCANCEL;
    m_active = -1;
    BuildLayout(LargestPage());
    int start = static_cast<int>(m_psh.nStartPage) < GetPageCount() ? static_cast<int>(m_psh.nStartPage) : 0;
    ActivatePage(start, false);
    return TRUE;
}

int CPropertySheet::DoModal() {
    if (!Create()) return IDCANCEL;
    if (!m_ended) {
        m_inModalLoop = true;
        m_window->exec();
        m_inModalLoop = false;
    }
    int result = m_result;
    DestroyWindow();
    return result;
}

void CPropertySheet::DestroyWindow() {
    // Page windows are children of the sheet's window: take them down first
    // so no page keeps a pointer to a deleted window.
    for (CPropertyPage* page : m_pages) page->DestroyWindow();
    m_buttons.clear();
    m_tabs = nullptr;
    m_active = -1;
    if (!m_window) return;
    SheetWindow* window = m_window;
    m_window = nullptr;
    window->hide();
    window->setParent(nullptr);
    delete window;
}

void CPropertySheet::EndDialog(int result) {
    m_result = result;
    m_ended = true;
    if (m_window && m_inModalLoop) m_window->done(result);
}

BOOL CPropertySheet::ActivatePage(int index, bool checkKill) {
    CPropertyPage* next = GetPage(index);
    if (!next || !m_window) return FALSE;
    if (CPropertyPage* current = GetActivePage()) {
        if (checkKill && current != next && !current->OnKillActive()) return FALSE;
        // A page may take pages out while it is left: find it again.
        index = GetPageIndex(next);
        if (index < 0) return FALSE;
        if (current->Window() && current != next) current->Window()->hide();
    }
    m_active = index;
    if (!next->Window()) {
        next->Create(m_window);
        if (!next->Window()) return FALSE;
        next->Window()->move(m_pageOrigin);
        // Every page gets the largest page's room, as the system's sheets
        // give it: what a page adds below its template stays visible.
        if (!m_pageArea.isEmpty())
            next->Window()->setFixedSize(next->Window()->size().expandedTo(m_pageArea));
    }
    next->OnSetActive();
    next->Window()->show();
    next->Window()->raise();
    if (m_tabs) m_tabs->SetCurSel(m_active);
    UpdateTabOrder();
    OnPageShown();
    if (m_window->isVisible()) FocusActivePage();
    return TRUE;
}

void CPropertySheet::FocusActivePage() {
    CPropertyPage* page = GetActivePage();
    if (!page || !page->Window()) return;
    if (m_tabs && m_tabs->Bar()->hasFocus()) return;
    page->ApplyInitialFocus();
}

void CPropertySheet::UpdateTabOrder() {
    std::vector<QWidget*> chain;
    if (m_tabs) chain.push_back(m_tabs->Bar());
    if (CPropertyPage* page = GetActivePage())
        for (QWidget* w : page->TabChain()) chain.push_back(w);
    for (auto& entry : m_buttons) chain.push_back(entry.second);
    for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

BOOL CPropertySheet::SetActivePage(int index) { return ActivatePage(index, true); }

void CPropertySheet::OnPageShown() {
    CPropertyPage* page = GetActivePage();
    if (QPushButton* help = Button(ID_HELP)) help->setEnabled(page && (page->m_psp.dwFlags & PSP_HASHELP));
}

void CPropertySheet::OnTabChanged(int index) {
    // A page that refuses to be left keeps its tab selected.
    if (!ActivatePage(index, true) && m_tabs) m_tabs->SetCurSel(m_active);
}

void CPropertySheet::ShowHelpForActivePage() {
    if (CPropertyPage* page = GetActivePage()) page->Dispatch(ID_HELP, BN_CLICKED, false);
}

void CPropertySheet::ApplyAndClose() {
    if (m_beforeClose && !m_beforeClose()) return;
    CPropertyPage* page = GetActivePage();
    if (page && !page->OnKillActive()) return;
    for (CPropertyPage* each : m_pages)
        if (each->Window()) each->OnOK();
    EndDialog(IDOK);
}

void CPropertySheet::CancelAndClose() {
    for (CPropertyPage* each : m_pages)
        if (each->Window()) each->OnCancel();
    EndDialog(IDCANCEL);
}

void CPropertySheet::PressButton(int button) {
    if (!m_window || m_ended) return;
    switch (button) {
        case PSBTN_OK: ApplyAndClose(); break;
        case PSBTN_CANCEL: CancelAndClose(); break;
        case PSBTN_HELP: ShowHelpForActivePage(); break;
        default: break;
    }
}

void CPropertySheet::PressDefaultButton() { PressButton(PSBTN_OK); }

}  // namespace framework
