#include "platform/framework/qt_message_sink.h"

#include "platform/framework/classic_message_box.h"

#include <QApplication>
#include <QWidget>

#include "platform/framework/qt_text.h"

namespace framework {

namespace {

QWidget* ActiveWidget() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

}  // namespace

std::string ActiveWindowTitle() {
    QWidget* active = ActiveWidget();
    if (!active) return {};
    std::string title = framework::FromQt(active->windowTitle());
    if (title.size() > 255) title.resize(255);
    return title;
}

void* ActiveWindow() { return ActiveWidget(); }

void ShowActiveWindowErrorBox(const std::string& text) {
    platform::MessageRequest request;
    request.kind = platform::MessageKind::ErrorBox;
    request.text = text;
    request.caption = ActiveWindowTitle();
    request.owner = ActiveWindow();
    request.style = platform::MB_ICONERROR;
    platform::ShowMessage(request);
}

int QtMessageSink::Show(const platform::MessageRequest& request) {
    QWidget* owner = static_cast<QWidget*>(request.owner);
    if (!owner) owner = ActiveWidget();
    ClassicMessageBox box(request, owner);
    return box.Run();
}

}  // namespace framework
