// Answers the next modal window from a timer, for tests that go through real
// modal loops. The helper's destructor closes whatever modal is left, so a
// failed check cannot leave a test hanging.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace menvolt_test {

class ModalAnswerer {
public:
    // `act` runs once on the first visible modal widget (it should close it);
    // every modal still open after `deadlineMs` is closed.
    explicit ModalAnswerer(std::function<void(QWidget*)> act, int deadlineMs = 5000) : m_act(std::move(act)) {
        m_clock.start();
        QObject::connect(&m_timer, &QTimer::timeout, [this, deadlineMs] {
            QWidget* modal = QApplication::activeModalWidget();
            if (m_clock.elapsed() > deadlineMs) {
                if (modal) modal->close();
                return;
            }
            if (!modal || !modal->isVisible() || m_done) return;
            m_done = true;
            m_act(modal);
        });
        m_timer.start(20);
    }
    ~ModalAnswerer() {
        m_timer.stop();
        for (int i = 0; i < 10; ++i)
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    }
    bool Acted() const { return m_done; }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_done = false;
};

}  // namespace menvolt_test
