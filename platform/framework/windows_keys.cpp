#include "platform/framework/windows_keys.h"

#include <QApplication>
#include <QKeyEvent>

namespace framework {

namespace {

// A key press reaches a widget only when no shortcut took it, so an Alt
// combination that arrives here matched no mnemonic.
class UnansweredAltFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        if (mods != Qt::AltModifier || key->text().isEmpty() || !key->text().at(0).isLetterOrNumber()) return false;
        QApplication::beep();
        return true;
    }
};

}  // namespace

void InstallWindowsKeys() {
    static UnansweredAltFilter filter;
    qApp->installEventFilter(&filter);
}

}  // namespace framework
