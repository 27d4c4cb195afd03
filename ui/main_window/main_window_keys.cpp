#include "ui/main_window/main_window_keys.h"

#include <QKeyEvent>
#include <QShortcut>
#include <QTabBar>
#include <QTreeWidget>

#include "ui/main_window/main_dlg.h"
#include "ui/main_window/vm_boot_menu.h"

namespace {

class ListKeys : public QObject {
public:
    ListKeys(CMainDlg& dialog) : QObject(dialog.m_list), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
            m_dialog.OnRemove();
            return true;
        }
        if ((key->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
            (key->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
            // The menu opens at the current row, as a right click on it would.
            QTreeWidget* list = m_dialog.m_list;
            if (QTreeWidgetItem* item = list->currentItem())
                ShowEntryContextMenu(m_dialog, list->visualItemRect(item).center());
            return true;
        }
        return false;
    }

private:
    CMainDlg& m_dialog;
};

}  // namespace

void InstallMainWindowKeys(CMainDlg& dialog) {
    dialog.m_list->installEventFilter(new ListKeys(dialog));
    auto* tabs = dialog.Item<framework::TabControl>(IDC_MAIN_TABS);
    if (!tabs) return;
    auto step = [tabs](int by) {
        const int count = tabs->GetItemCount();
        // Through the tab bar, so the change notifies as a click does.
        if (count > 0) tabs->Bar()->setCurrentIndex((tabs->GetCurSel() + by + count) % count);
    };
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1},
    };
    for (const auto& [sequence, by] : keys) {
        auto* shortcut = new QShortcut(sequence, dialog.Window());
        QObject::connect(shortcut, &QShortcut::activated, [step, by = by] { step(by); });
    }
}
