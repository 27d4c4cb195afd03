#include "platform/framework/wizard_sheet.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "platform/framework/bitmap_resources.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/message_box.h"

namespace framework {

namespace {

// The header title in bold. The template font is a bitmap font without a
// bold face, so the text is drawn twice a pixel apart, which is how Windows
// emboldens such a font.
class EmboldenedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(palette().color(QPalette::WindowText));
        painter.setFont(font());
        const QRect box = contentsRect();
        painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
        painter.drawText(box.translated(1, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text());
    }
};

}  // namespace

CPropertySheetEx::CPropertySheetEx(const std::string& caption, QWidget* parent, unsigned selectPage,
                                   unsigned watermarkBitmap)
    : CPropertySheet(caption, parent, selectPage) {
    m_psh.watermarkBitmap = watermarkBitmap;
    if (watermarkBitmap) m_psh.dwFlags |= PSH_WATERMARK;
}

void CPropertySheetEx::BuildLayout(QSize pageSize) {
    if (!IsWizard()) {
        CPropertySheet::BuildLayout(pageSize);
        return;
    }
    const BaseUnits units = DialogBaseUnits();
    const int margin = DluToPixelsX(7, units);
    const int headerHeight = DluToPixelsY(37, units);
    const int bw = DluToPixelsX(50, units), bh = DluToPixelsY(14, units), gap = DluToPixelsX(4, units);
    const int width = std::max(pageSize.width() + 2 * margin, 5 * bw + 3 * gap + 2 * margin + DluToPixelsX(7, units));

    // Header band: white, title in bold, subtitle indented below it, the
    // watermark in its right-hand corner.
    auto* header = new QFrame(m_window);
    header->setGeometry(0, 0, width, headerHeight);
    header->setAutoFillBackground(true);
    QPalette palette = header->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    header->setPalette(palette);
    int textRight = width - margin;
    QPixmap watermark = m_psh.watermarkBitmap ? LoadBitmapResource(m_psh.watermarkBitmap) : QPixmap();
    if (!watermark.isNull()) {
        const int side = headerHeight - 2 * DluToPixelsY(3, units);
        m_watermark = new QLabel(header);
        m_watermark->setPixmap(watermark.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_watermark->setGeometry(width - margin - side, DluToPixelsY(3, units), side, side);
        textRight = width - 2 * margin - side;
    }
    m_headerTitle = new EmboldenedLabel(header);
    m_headerTitle->setTextFormat(Qt::PlainText);
    m_headerTitle->setGeometry(DluToPixelsX(15, units), DluToPixelsY(6, units), textRight - DluToPixelsX(15, units),
                               DluToPixelsY(10, units));
    m_headerSubTitle = new QLabel(header);
    m_headerSubTitle->setTextFormat(Qt::PlainText);
    m_headerSubTitle->setWordWrap(true);
    m_headerSubTitle->setGeometry(DluToPixelsX(25, units), DluToPixelsY(17, units), textRight - DluToPixelsX(25, units),
                                  DluToPixelsY(18, units));
    auto* topRule = new QFrame(m_window);
    topRule->setFrameShape(QFrame::HLine);
    topRule->setFrameShadow(QFrame::Sunken);
    topRule->setGeometry(0, headerHeight, width, 2);

    m_pageOrigin = QPoint(margin / 2, headerHeight + DluToPixelsY(4, units));
    const int ruleY = m_pageOrigin.y() + pageSize.height() + DluToPixelsY(4, units);
    auto* bottomRule = new QFrame(m_window);
    bottomRule->setFrameShape(QFrame::HLine);
    bottomRule->setFrameShadow(QFrame::Sunken);
    bottomRule->setGeometry(0, ruleY, width, 2);

    const int top = ruleY + DluToPixelsY(7, units);
    // Back, Next, Finish, Cancel, Help from left to right: also the tab order.
    int x = width - margin - 5 * bw - 2 * gap - DluToPixelsX(7, units);
    QPushButton* back = AddButton(ID_WIZBACK, "< &Back", QRect(x, top, bw, bh));
    x += bw;
    QPushButton* next = AddButton(ID_WIZNEXT, "&Next >", QRect(x, top, bw, bh));
    x += bw + DluToPixelsX(7, units);
    QPushButton* finish = AddButton(ID_WIZFINISH, "Finish", QRect(x, top, bw, bh));
    x += bw + gap;
    QPushButton* cancel = AddButton(IDCANCEL, "Cancel", QRect(x, top, bw, bh));
    x += bw + gap;
    QPushButton* help = AddButton(ID_HELP, "Help", QRect(x, top, bw, bh));
    QObject::connect(back, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_BACK); });
    QObject::connect(next, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_NEXT); });
    QObject::connect(finish, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_FINISH); });
    QObject::connect(cancel, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_CANCEL); });
    QObject::connect(help, &QPushButton::clicked, m_window, [this] { PressButton(PSBTN_HELP); });
    // Until a page says otherwise, nothing moves the wizard.
    ApplyWizardButtons(0);
    m_window->setFixedSize(width, top + bh + DluToPixelsY(7, units));
}

void CPropertySheetEx::OnPageShown() {
    CPropertySheet::OnPageShown();
    if (!IsWizard()) return;
    CPropertyPage* page = GetActivePage();
    if (!page) return;
    // A wizard's caption is the page's title when the page has one.
    m_window->setWindowTitle(ToQt((page->m_psp.dwFlags & PSP_USETITLE) ? page->m_psp.pszTitle : m_caption));
    m_headerTitle->setText(ToQt((page->m_psp.dwFlags & PSP_USEHEADERTITLE) ? page->m_psp.pszHeaderTitle : ""));
    m_headerSubTitle->setText(
        ToQt((page->m_psp.dwFlags & PSP_USEHEADERSUBTITLE) ? page->m_psp.pszHeaderSubTitle : ""));
}

void CPropertySheetEx::SetWizardButtons(UINT flags) {
    if (!m_window) return;
    QMetaObject::invokeMethod(m_window, [this, flags] { ApplyWizardButtons(flags); }, Qt::QueuedConnection);
}

void CPropertySheetEx::ApplyWizardButtons(UINT flags) {
    if (!m_window) return;
    m_applied = flags;
    // A button that has the focus and goes off hands it to the page, not to
    // its neighbour (which could be Back).
    QWidget* focused = m_window->focusWidget();
    bool focusOnButton = false;
    for (auto& entry : m_buttons) focusOnButton = focusOnButton || entry.second == focused;
    if (QPushButton* back = Button(ID_WIZBACK)) back->setEnabled(flags & PSWIZB_BACK);
    if (QPushButton* next = Button(ID_WIZNEXT)) next->setEnabled(flags & PSWIZB_NEXT);
    if (QPushButton* finish = Button(ID_WIZFINISH)) {
        finish->setVisible(true);
        finish->setEnabled((flags & PSWIZB_FINISH) && !(flags & PSWIZB_DISABLEDFINISH));
    }
    // The default button follows what can be pressed.
    QPushButton* next = Button(ID_WIZNEXT);
    QPushButton* finish = Button(ID_WIZFINISH);
    if (next) next->setDefault(next->isEnabled());
    if (finish) finish->setDefault(!next->isEnabled() && finish->isEnabled());
    if (focusOnButton && !focused->isEnabled()) FocusActivePage();
}

void CPropertySheetEx::PressButton(int button) {
    if (!IsWizard()) {
        CPropertySheet::PressButton(button);
        return;
    }
    if (!m_window || m_ended) return;
    // A disabled button does nothing, also when pressed by a key.
    auto enabled = [this](UINT id) {
        QPushButton* b = Button(id);
        return b && b->isEnabled();
    };
    switch (button) {
        case PSBTN_BACK:
            if (enabled(ID_WIZBACK)) Back();
            break;
        case PSBTN_NEXT:
            if (enabled(ID_WIZNEXT)) Next();
            break;
        case PSBTN_FINISH:
            if (enabled(ID_WIZFINISH)) Finish();
            break;
        case PSBTN_CANCEL: CancelAndClose(); break;
        case PSBTN_HELP: ShowHelpForActivePage(); break;
        default: break;
    }
}

void CPropertySheetEx::PressDefaultButton() {
    if (!IsWizard()) {
        CPropertySheet::PressDefaultButton();
        return;
    }
    QPushButton* next = Button(ID_WIZNEXT);
    if (next && next->isEnabled()) {
        PressButton(PSBTN_NEXT);
    } else {
        PressButton(PSBTN_FINISH);
    }
}

void CPropertySheetEx::Next() {
    CPropertyPage* page = GetActivePage();
    if (!page || page->OnWizardNext() == -1) return;
    // The page that follows is chosen now; pages the current one removes
    // while it is left do not change which page that is.
    CPropertyPage* target = GetPage(m_active + 1);
    if (!target) return;
    if (!page->OnKillActive()) return;
    int index = GetPageIndex(target);
    if (index >= 0) ActivatePage(index, false);
}

void CPropertySheetEx::Back() {
    CPropertyPage* page = GetActivePage();
    if (!page || page->OnWizardBack() == -1) return;
    CPropertyPage* target = GetPage(m_active - 1);
    if (!target) return;
    if (!page->OnKillActive()) return;
    int index = GetPageIndex(target);
    if (index >= 0) ActivatePage(index, false);
}

void CPropertySheetEx::Finish() {
    if (m_beforeClose && !m_beforeClose()) return;
    CPropertyPage* page = GetActivePage();
    if (!page || !page->OnWizardFinish()) return;
    for (CPropertyPage* each : m_pages)
        if (each->Window()) each->OnOK();
    EndDialog(static_cast<int>(ID_WIZFINISH));
}

}  // namespace framework
