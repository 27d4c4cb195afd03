#include "client_screen_preview.h"

#include <algorithm>

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "client_screen_view.h"

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

}  // namespace

ClientScreenPreview::~ClientScreenPreview() { Close(); }

void ClientScreenPreview::Open(QWidget* owner) {
    if (!m_window) {
        auto* window = new PreviewWindow(owner);
        window->view->SetScreen(m_screen);
        m_window = window;
        if (owner) {
            // Beside the dialog, on its right, or on its left where the
            // screen ends; never off the screen.
            window->adjustSize();
            const QRect frame = owner->window()->frameGeometry();
            QPoint at(frame.right() + 8, frame.top());
            if (QScreen* screen = owner->screen()) {
                const QRect room = screen->availableGeometry();
                if (at.x() + window->width() > room.right()) at.setX(frame.left() - 8 - window->width());
                at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - window->width())));
                at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - window->height())));
            }
            window->move(at);
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
