#include "qt_message_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "qt_text.h"

namespace framework {

namespace {

QMessageBox::Icon IconOf(unsigned style) {
    switch (style & platform::MB_ICON_MASK) {
        case platform::MB_ICONERROR: return QMessageBox::Critical;
        case platform::MB_ICONQUESTION: return QMessageBox::Question;
        case platform::MB_ICONWARNING: return QMessageBox::Warning;
        case platform::MB_ICONINFORMATION: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

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
    QMessageBox box(IconOf(request.style), framework::ToQt(request.caption),
                    framework::ToQt(request.text), QMessageBox::NoButton, owner);
    box.setTextFormat(Qt::PlainText);
    switch (request.style & platform::MB_BUTTON_MASK) {
        case platform::MB_YESNO:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            break;
        case platform::MB_OKCANCEL:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            break;
        default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes: return platform::IDYES;
        case QMessageBox::No: return platform::IDNO;
        case QMessageBox::Ok: return platform::IDOK;
        default:
            // Closing the box: Cancel where there is one, else the safe answer.
            switch (request.style & platform::MB_BUTTON_MASK) {
                case platform::MB_YESNO: return platform::IDNO;
                case platform::MB_OKCANCEL: return platform::IDCANCEL;
                default: return platform::IDOK;
            }
    }
}

}  // namespace framework
