#include "platform/framework/static_control.h"

#include <QBrush>
#include <QEvent>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QToolTip>

#include "platform/framework/dialog.h"
#include "platform/framework/qt_text.h"

COLORREF GetSysColor(int index) {
    if (index == COLOR_HIGHLIGHT) return RefFromColor(QGuiApplication::palette().color(QPalette::Highlight));
    return RefFromColor(QGuiApplication::palette().color(QPalette::WindowText));
}

HBRUSH GetStockNullBrush() {
    static const QBrush nullBrush(Qt::NoBrush);
    return &nullBrush;
}

// ---- tooltips ----------------------------------------------------------------

BOOL CToolTipCtrl::Create(QWidget* owner, DWORD) {
    if (!owner) return FALSE;
    m_owner = owner;
    m_tools.clear();
    return TRUE;
}

void CToolTipCtrl::DestroyWindow() {
    if (m_owner && QToolTip::isVisible()) QToolTip::hideText();
    m_owner = nullptr;
    m_tools.clear();
}

BOOL CToolTipCtrl::AddTool(QWidget* window, const std::string& text, const QRect& rect, UINT toolId) {
    if (!m_owner || window != m_owner) return FALSE;
    m_tools[toolId] = {text, rect};
    return TRUE;
}

void CToolTipCtrl::UpdateTipText(const std::string& text, QWidget* window, UINT toolId) {
    auto it = m_tools.find(toolId);
    if (m_owner && window == m_owner && it != m_tools.end()) it->second.text = text;
}

void CToolTipCtrl::SetToolRect(QWidget* window, UINT toolId, const QRect& rect) {
    auto it = m_tools.find(toolId);
    if (m_owner && window == m_owner && it != m_tools.end()) it->second.rect = rect;
}

std::string CToolTipCtrl::GetToolText(UINT toolId) const {
    auto it = m_tools.find(toolId);
    return it == m_tools.end() ? std::string() : it->second.text;
}

QRect CToolTipCtrl::GetToolRect(UINT toolId) const {
    auto it = m_tools.find(toolId);
    return it == m_tools.end() ? QRect() : it->second.rect;
}

void CToolTipCtrl::RelayEvent(QEvent* event) {
    if (!m_owner || event->type() != QEvent::ToolTip) return;
    auto* help = static_cast<QHelpEvent*>(event);
    for (const auto& [id, tool] : m_tools) {
        if (tool.rect.contains(help->pos()) && !tool.text.empty()) {
            QToolTip::showText(help->globalPos(), framework::ToQt(tool.text), m_owner, tool.rect);
            return;
        }
    }
    QToolTip::hideText();
}

// ---- the subclassing hook ----------------------------------------------------

// Lives as a child of the control and hands its events to the CStatic.
class StaticHook : public QObject {
public:
    StaticHook(CStatic* owner, QLabel* control) : QObject(control), m_owner(owner) { control->installEventFilter(this); }

    void Detach() {
        if (auto* control = qobject_cast<QLabel*>(parent())) control->removeEventFilter(this);
        m_owner = nullptr;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_owner || watched != parent()) return false;
        CStatic& s = *m_owner;
        if (s.PreTranslateMessage(event)) return true;
        switch (event->type()) {
            case QEvent::Enter:
                s.OnSetCursor();
                return false;
            case QEvent::MouseMove: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                s.OnSetCursor();
                s.OnMouseMove((mouse->buttons() & Qt::LeftButton) ? UINT{MK_LBUTTON} : UINT{0}, mouse->position().toPoint());
                return false;
            }
            case QEvent::MouseButtonRelease: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton && (s.GetStyle() & SS_NOTIFY) &&
                    s.GetClientRect().contains(mouse->position().toPoint())) {
                    s.OnClicked();
                    return true;
                }
                return false;
            }
            // The control's tooltip control answers tips.
            case QEvent::ToolTip: return true;
            case QEvent::Paint:
                s.Paint();
                return true;
            default: return false;
        }
    }

private:
    CStatic* m_owner;
};

// ---- CStatic -----------------------------------------------------------------

CStatic::CStatic() = default;

CStatic::~CStatic() {
    if (auto* hook = static_cast<StaticHook*>(m_hook.data())) {
        hook->Detach();
        delete hook;
    }
}

BOOL CStatic::SubclassDlgItem(int id, framework::CDialog* parent) {
    if (HasWindow() || !parent) return FALSE;
    auto* label = qobject_cast<QLabel*>(parent->GetDlgItem(id));
    if (!label) return FALSE;
    m_wnd = label;
    m_style = 0;
    Qt::Alignment align = label->alignment();
    if (align & Qt::AlignHCenter) m_style |= SS_CENTER;
    if (align & Qt::AlignRight) m_style |= SS_RIGHT;
    if (align & Qt::AlignVCenter) m_style |= SS_CENTERIMAGE;
    // A window reports every mouse movement, not only dragging.
    label->setMouseTracking(true);
    PreSubclassWindow();
    m_hook = new StaticHook(this, label);
    return TRUE;
}

std::string CStatic::GetWindowText() const {
    return m_wnd ? framework::FromQt(m_wnd->text()) : std::string();
}

void CStatic::SetWindowText(const std::string& text) {
    if (m_wnd) m_wnd->setText(framework::ToQt(text));
}

QFont CStatic::GetFont() const { return m_wnd ? m_wnd->font() : QFont(); }

void CStatic::SetFont(const QFont& font, BOOL redraw) {
    if (!m_wnd) return;
    m_wnd->setFont(font);
    if (redraw) m_wnd->update();
}

QRect CStatic::GetWindowRectInParent() const { return m_wnd ? m_wnd->geometry() : QRect(); }

QRect CStatic::GetClientRect() const { return m_wnd ? m_wnd->rect() : QRect(); }

void CStatic::MoveWindow(const QRect& rect) {
    if (m_wnd) m_wnd->setGeometry(rect);
}

void CStatic::Invalidate() {
    if (m_wnd) m_wnd->update();
}

void CStatic::RedrawNow() {
    if (m_wnd) m_wnd->repaint();
}

void CStatic::SetCapture() {
    if (m_wnd && m_wnd->isVisible()) m_wnd->grabMouse();
}

void CStatic::ReleaseCapture() {
    if (m_wnd && QWidget::mouseGrabber() == m_wnd) m_wnd->releaseMouse();
}

CDC CStatic::QueryColors() {
    CDC dc;
    QPalette palette = m_wnd ? m_wnd->palette() : QGuiApplication::palette();
    dc.SetTextColor(RefFromColor(palette.color(QPalette::WindowText)));
    CtlColor(&dc, CTLCOLOR_STATIC);
    return dc;
}

void CStatic::Paint() {
    if (!m_wnd) return;
    CDC dc;
    dc.SetTextColor(RefFromColor(m_wnd->palette().color(QPalette::WindowText)));
    HBRUSH brush = CtlColor(&dc, CTLCOLOR_STATIC);
    QPainter painter(m_wnd);
    if (brush && brush->style() != Qt::NoBrush) painter.fillRect(m_wnd->rect(), *brush);
    if (dc.GetBkMode() == OPAQUE && brush && brush->style() != Qt::NoBrush)
        painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setFont(m_wnd->font());
    painter.setPen(ColorFromRef(dc.GetTextColor()));
    int flags = Qt::TextWordWrap;
    flags |= (m_style & SS_CENTER) ? Qt::AlignHCenter : (m_style & SS_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
    flags |= (m_style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    painter.drawText(m_wnd->rect(), flags, m_wnd->text());
}
