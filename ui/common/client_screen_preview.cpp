#include "ui/common/client_screen_preview.h"

#include <algorithm>

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "ui/common/client_screen_view.h"

const char kPreviewButtonText[] = "Pre&view...";

namespace {

// The preview's window: a tool window that Escape closes.
class PreviewWindow : public QWidget {
public:
    explicit PreviewWindow(QWidget* owner)
        : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
        setWindowTitle(QStringLiteral("Client Screen Preview"));
        setAttribute(Qt::WA_DeleteOnClose);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new ClientScreenView(this, 8, 16);
        layout->addWidget(view);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }
    ClientScreenView* view = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Escape) {
            close();
            return;
        }
        QWidget::keyPressEvent(event);
    }
};

// Where the preview goes: beside the dialog, on its right, else on its
// left. When neither side has room, the dialog moves over so that both fit
// side by side; only a screen too small for both gets an overlap.
QPoint PlaceBeside(QWidget* dialog, QSize size) {
    constexpr int kGap = 8;
    const QRect frame = dialog->frameGeometry();
    QScreen* screen = dialog->screen();
    if (!screen) return QPoint(frame.right() + kGap, frame.top());
    const QRect room = screen->availableGeometry();
    const int top = std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height()));
    if (frame.right() + kGap + size.width() <= room.right() + 1) return QPoint(frame.right() + 1 + kGap, top);
    if (frame.left() - kGap - size.width() >= room.left()) return QPoint(frame.left() - kGap - size.width(), top);
    const int both = frame.width() + kGap + size.width();
    if (both <= room.width()) {
        const int left = room.left() + (room.width() - both) / 2;
        dialog->move(dialog->pos() + QPoint(left - frame.left(), 0));
        return QPoint(left + frame.width() + kGap, top);
    }
    return QPoint(std::max(room.left(), room.right() + 1 - size.width()), top);
}

}  // namespace

ClientScreenPreview::~ClientScreenPreview() { Close(); }

void ClientScreenPreview::Open(QWidget* owner) {
    if (!m_window) {
        auto* window = new PreviewWindow(owner);
        window->view->SetScreen(m_screen);
        m_window = window;
        if (owner) {
            window->adjustSize();
            window->move(PlaceBeside(owner->window(), window->frameGeometry().size()));
        }
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

bool ClientScreenPreview::IsOpen() const { return m_window && m_window->isVisible(); }

void ClientScreenPreview::Close() {
    if (m_window) m_window->close();
}

void ClientScreenPreview::SetScreen(const ClientScreen& screen) {
    m_screen = screen;
    if (ClientScreenView* view = View()) view->SetScreen(screen);
}

ClientScreenView* ClientScreenPreview::View() const {
    auto* window = static_cast<PreviewWindow*>(m_window.data());
    return window ? window->view : nullptr;
}
