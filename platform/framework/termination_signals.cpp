#include "platform/framework/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <csignal>

namespace framework {

namespace {

// The handler only writes to this pipe; the event loop does the rest.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int) {
    char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void CloseWindowsOnTerminationSignals() {
    if (!qApp || g_signalPipe[0] >= 0) return;
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char buffer[16];
        while (read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
        }
        for (int i = 0; i < 16; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            modal->close();
        }
    });
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace framework
