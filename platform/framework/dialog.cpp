#include "platform/framework/dialog.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTextDocument>
#include <QTreeWidget>

#include "platform/ansi_text.h"
#include "platform/framework/bitmap_resources.h"
#include "platform/framework/code_page_notice.h"
#include "platform/framework/qt_text.h"
#include "platform/message_box.h"

namespace framework {

namespace {

const char kIdProperty[] = "controlId";
const char kStyleProperty[] = "controlStyle";

// The text of a multi-line edit as typed: toPlainText would turn a no-break
// space (A0h) into a blank.
QString RawText(const QPlainTextEdit* edit) {
    QString text = edit->document()->toRawText();
    text.replace(QChar(0x2029), QLatin1Char('\n'));  // the document's paragraph breaks
    return text;
}

QString TextOf(const QLineEdit* edit) { return edit->text(); }
QString TextOf(const QPlainTextEdit* edit) { return RawText(edit); }

// Keeps what an edit holds storable (CleanText) whenever its text changes,
// typed, pasted or set, and names the characters it had to leave out.
template <class Edit>
void KeepStorable(Edit* edit, void (Edit::*set)(const QString&)) {
    QString text = TextOf(edit);
    const int before = [&] {
        if constexpr (std::is_same_v<Edit, QLineEdit>) return edit->cursorPosition();
        else return edit->textCursor().position();
    }();
    QString head = text.left(before);
    std::vector<char32_t> missing = CleanText(text);
    if (text == TextOf(edit)) return;
    CleanText(head);
    {
        QSignalBlocker block(edit);
        (edit->*set)(text);
        if constexpr (std::is_same_v<Edit, QLineEdit>) {
            edit->setCursorPosition(static_cast<int>(head.size()));
        } else {
            QTextCursor cursor = edit->textCursor();
            cursor.setPosition(static_cast<int>(std::min(head.size(), text.size())));
            edit->setTextCursor(cursor);
        }
    }
    // A notice beside the field, not a box per keystroke: the next keys
    // still reach the field.
    NoteMissingCharacters(edit, missing);
}

// Turns Enter in a multi-line edit into the dialog's Enter.
class OneLineFilter : public QObject {
public:
    OneLineFilter(CDialog* dialog, QPlainTextEdit* edit) : QObject(edit), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                m_dialog->Dispatch(IDOK, BN_CLICKED, false);
                return true;
            }
        }
        return false;
    }

private:
    CDialog* m_dialog;
};

// Enter in a multi-line edit is the dialog's Enter (the default button), as
// in a Windows edit without ES_WANTRETURN; no edit here wants line breaks.
class EnterToDialog : public QObject {
public:
    EnterToDialog(QWidget* edit, QWidget* dialog) : QObject(edit), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
        if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
        QCoreApplication::sendEvent(m_dialog, &copy);
        return true;
    }

private:
    QWidget* m_dialog;
};

// Presses a button on its unambiguous mnemonic at once.
class ImmediateMnemonic : public QObject {
public:
    explicit ImmediateMnemonic(QAbstractButton* button) : QObject(button), m_button(button) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Shortcut || static_cast<QShortcutEvent*>(event)->isAmbiguous()) return false;
        if (!m_button->isEnabled()) return true;
        if (m_button->focusPolicy() != Qt::NoFocus) m_button->setFocus(Qt::ShortcutFocusReason);
        m_button->click();
        return true;
    }

private:
    QAbstractButton* m_button;
};

}  // namespace

void PressMnemonicAtOnce(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) button->installEventFilter(new ImmediateMnemonic(button));
}

std::string StripMnemonic(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') out += '&', ++i;
            continue;
        }
        out += text[i];
    }
    return out;
}

// ---- DialogWindow ------------------------------------------------------------

DialogWindow::DialogWindow(CDialog* owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

// Escape and the window's close button are the Cancel command.
void DialogWindow::reject() { m_owner->Dispatch(IDCANCEL, BN_CLICKED, false); }

void DialogWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            // Enter presses the focused push button, else the default push
            // button; a dialog without one gets IDOK, as on Windows.
            if (auto* button = qobject_cast<QPushButton*>(m_owner->DefaultButton())) {
                if (button->isEnabled()) button->click();
            } else {
                m_owner->Dispatch(IDOK, BN_CLICKED, false);
            }
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            reject();
            return;
        }
        // F1 is the Help button of a dialog that has one; a page leaves it
        // to its sheet.
        if (event->key() == Qt::Key_F1 && isWindow()) {
            if (m_owner->IsDlgItemEnabled(IDHELP) && m_owner->IsDlgItemVisible(IDHELP))
                m_owner->Dispatch(IDHELP, BN_CLICKED, false);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void DialogWindow::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    m_owner->OnPaint();
}

void DialogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A page's focus is its sheet's business; a dialog starts on its first
    // tab stop, or where OnInitDialog put the focus.
    if (isWindow() && !event->spontaneous()) m_owner->ApplyInitialFocus();
}

bool DialogWindow::event(QEvent* event) {
    bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) m_owner->OnActivate(true);
    if (event->type() == QEvent::WindowDeactivate) m_owner->OnActivate(false);
    return result;
}

// ---- TabControl --------------------------------------------------------------

TabControl::TabControl(QWidget* parent) : QWidget(parent), m_bar(new QTabBar(this)) {
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setFocusPolicy(Qt::TabFocus);
    connect(m_bar, &QTabBar::currentChanged, this, &TabControl::selectionChanged);
}

int TabControl::InsertItem(int index, const QString& text) {
    QSignalBlocker block(m_bar);  // inserting is not a selection change
    int at = m_bar->insertTab(index, text);
    m_bar->resize(m_bar->sizeHint().width(), m_bar->sizeHint().height());
    update();
    return at;
}

int TabControl::GetCurSel() const { return m_bar->currentIndex(); }

void TabControl::SetCurSel(int index) {
    QSignalBlocker block(m_bar);  // like TCM_SETCURSEL, sends no notification
    m_bar->setCurrentIndex(index);
}

int TabControl::GetItemCount() const { return m_bar->count(); }

void TabControl::resizeEvent(QResizeEvent*) { m_bar->resize(std::min(width(), m_bar->sizeHint().width()), m_bar->sizeHint().height()); }

void TabControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    int top = m_bar->height() - 1;
    frame.rect = QRect(0, top, width(), height() - top);
    frame.tabBarSize = m_bar->size();
    frame.shape = QTabBar::RoundedNorth;
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

// ---- CDialog -----------------------------------------------------------------

CDialog::CDialog(unsigned templateId, QWidget* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() { DestroyWindow(); }

void CDialog::DestroyWindow() {
    if (!m_window) return;
    DialogWindow* window = m_window;
    m_window = nullptr;
    m_controls.clear();
    m_order.clear();
    m_focusRequest = nullptr;
    delete window;
}

void CDialog::BuildWindow(QWidget* parent) {
    const res::DialogTemplate* dialog = res::FindDialogTemplate(m_templateId);
    m_units = DialogBaseUnits();
    m_window = new DialogWindow(this, parent);
    m_window->setFont(DialogFont());
    if (!dialog) return;
    if (dialog->style & res::DS_CHILD) {
        m_window->setWindowFlags(Qt::Widget);
    } else {
        Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (dialog->style & res::DS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        m_window->setWindowFlags(flags);
    }
    m_window->setWindowTitle(ToQt(dialog->caption));
    m_window->setFixedSize(DluToPixelsX(dialog->cx, m_units), DluToPixelsY(dialog->cy, m_units));
    BuildControls(m_window, *dialog);
}

void CDialog::BuildControls(QWidget* surface, const res::DialogTemplate& dialog) {
    QButtonGroup* radioGroup = nullptr;
    std::vector<std::pair<QLabel*, size_t>> labels;  // labels whose mnemonic focuses the next control
    std::vector<QWidget*> created;
    for (const res::DialogControl& control : dialog.controls) {
        QWidget* widget = CreateControl(surface, control);
        created.push_back(widget);
        m_order.push_back(widget);
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            // Radio buttons form a group from a CS_GROUP button up to the next
            // control that is not a radio button.
            if (!radioGroup || (control.style & res::CS_GROUP)) radioGroup = new QButtonGroup(surface);
            radioGroup->addButton(radio);
        } else {
            radioGroup = nullptr;
        }
        if (auto* label = qobject_cast<QLabel*>(widget))
            if (control.kind == res::ControlKind::Static && control.text.find('&') != std::string::npos)
                labels.emplace_back(label, created.size() - 1);
        if (control.id != IDC_STATIC) m_controls[control.id] = widget;
    }
    for (auto& [label, index] : labels) {
        if (index + 1 < created.size()) {
            label->setBuddy(created[index + 1]);
        } else {
            label->setText(ToQt(StripMnemonic(FromQt(label->text()))));
        }
    }
}

QWidget* CDialog::CreateControl(QWidget* surface, const res::DialogControl& c) {
    using K = res::ControlKind;
    QRect rect = DluRectToPixels(c.x, c.y, c.cx, c.cy, m_units);
    QString text = ToQt(c.text);
    QWidget* widget = nullptr;
    const UINT id = static_cast<UINT>(c.id);
    switch (c.kind) {
        case K::PushButton:
        case K::DefPushButton: {
            auto* button = new QPushButton(text, surface);
            button->setAutoDefault(false);
            button->setDefault(c.kind == K::DefPushButton);
            QObject::connect(button, &QPushButton::clicked, [this, id] { Dispatch(id, BN_CLICKED, false); });
            widget = button;
            break;
        }
        case K::CheckBox: {
            auto* box = new QCheckBox(text, surface);
            QObject::connect(box, &QCheckBox::clicked, [this, id] { Dispatch(id, BN_CLICKED, false); });
            widget = box;
            break;
        }
        case K::RadioButton: {
            auto* radio = new QRadioButton(text, surface);
            radio->setAutoExclusive(false);  // the group decides
            QObject::connect(radio, &QRadioButton::clicked, [this, id] { Dispatch(id, BN_CLICKED, false); });
            widget = radio;
            break;
        }
        case K::GroupBox: widget = new QGroupBox(ToQt(StripMnemonic(c.text)), surface); break;
        case K::Static: {
            auto* label = new QLabel(text, surface);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | ((c.style & res::CS_CENTER_VERT) ? Qt::AlignVCenter : Qt::AlignTop));
            widget = label;
            break;
        }
        case K::StaticBitmap: {
            auto* label = new QLabel(surface);
            QPixmap pixmap = LoadBitmapResource(c.bitmap);
            label->setPixmap(pixmap);
            int frame = 0;
            if (c.style & res::CS_BORDER) {
                label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                label->setLineWidth(1);
                frame = 1;
            }
            // A bitmap static takes the size of its bitmap, as on Windows.
            if (!pixmap.isNull()) rect.setSize(pixmap.size() + QSize(2 * frame, 2 * frame));
            widget = label;
            break;
        }
        case K::Edit: {
            if (c.style & res::CS_MULTILINE) {
                auto* edit = new QPlainTextEdit(surface);
                edit->setReadOnly(c.style & res::CS_READONLY);
                // Tab moves on, as in a dialog's edit without ES_WANTTAB.
                edit->setTabChangesFocus(true);
                edit->installEventFilter(new EnterToDialog(edit, m_window));
                if (!(c.style & res::CS_READONLY))
                    QObject::connect(edit, &QPlainTextEdit::textChanged, edit, [edit] {
                        KeepStorable(edit, &QPlainTextEdit::setPlainText);
                    });
                QObject::connect(edit, &QPlainTextEdit::textChanged, [this, id] { Dispatch(id, EN_CHANGE, false); });
                widget = edit;
            } else {
                auto* edit = new QLineEdit(surface);
                edit->setReadOnly(c.style & res::CS_READONLY);
                if (!(c.style & res::CS_READONLY))
                    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
                        KeepStorable(edit, &QLineEdit::setText);
                    });
                QObject::connect(edit, &QLineEdit::textChanged, [this, id] { Dispatch(id, EN_CHANGE, false); });
                widget = edit;
            }
            break;
        }
        case K::ComboDropList: {
            auto* combo = new QComboBox(surface);
            combo->setEditable(false);
            // The template height is the height of the dropped list; the
            // closed box is as high as the font makes it.
            rect.setHeight(std::max(combo->sizeHint().height(), m_units.cy + 8));
            QObject::connect(combo, &QComboBox::activated, [this, id](int) { Dispatch(id, CBN_SELCHANGE, false); });
            widget = combo;
            break;
        }
        case K::ListView: {
            auto* list = new QTreeWidget(surface);
            list->setRootIsDecorated(false);
            list->setUniformRowHeights(true);
            list->setItemsExpandable(false);
            list->setSelectionMode(c.style & res::CS_SINGLE_SEL ? QAbstractItemView::SingleSelection
                                                                 : QAbstractItemView::ExtendedSelection);
            list->setIconSize(QSize(16, 16));
            list->setColumnCount(0);
            list->header()->setSectionsClickable(!(c.style & res::CS_NO_SORT_HEADER));
            list->header()->setStretchLastSection(false);
            list->setHeaderHidden(c.style & res::CS_NO_HEADER);
            QObject::connect(list, &QTreeWidget::itemDoubleClicked, [this, id] { Dispatch(id, NM_DBLCLK, true); });
            QObject::connect(list, &QTreeWidget::itemClicked, [this, id] { Dispatch(id, NM_CLICK, true); });
            QObject::connect(list, &QTreeWidget::currentItemChanged, [this, id] { Dispatch(id, LVN_ITEMCHANGED, true); });
            widget = list;
            break;
        }
        case K::ListBox: {
            auto* list = new QListWidget(surface);
            QObject::connect(list, &QListWidget::currentRowChanged, [this, id](int) { Dispatch(id, LBN_SELCHANGE, false); });
            QObject::connect(list, &QListWidget::itemDoubleClicked, [this, id] { Dispatch(id, LBN_DBLCLK, false); });
            widget = list;
            break;
        }
        case K::TabControl: {
            auto* tabs = new TabControl(surface);
            QObject::connect(tabs, &TabControl::selectionChanged, [this, id](int) { Dispatch(id, TCN_SELCHANGE, true); });
            widget = tabs;
            break;
        }
    }
    PressMnemonicAtOnce(widget);
    widget->setGeometry(rect);
    widget->setProperty(kIdProperty, c.id);
    widget->setProperty(kStyleProperty, c.style);
    if (c.style & res::CS_DISABLED) widget->setEnabled(false);
    if (c.style & res::CS_HIDDEN) widget->hide();
    if (!(c.style & res::CS_TABSTOP) && c.kind != K::Static && c.kind != K::StaticBitmap)
        widget->setFocusPolicy(Qt::ClickFocus);
    return widget;
}

QWidget* CDialog::AddPushButton(int id, const std::string& text, int x, int y, int cx, int cy) {
    if (!m_window) return nullptr;
    res::DialogControl control{id, res::ControlKind::PushButton, text, x, y, cx, cy, res::CS_TABSTOP, 0};
    QWidget* button = CreateControl(m_window, control);
    m_controls[id] = button;
    m_order.push_back(button);
    button->show();
    return button;
}

BOOL CDialog::Create(QWidget* parent) {
    if (m_window) return TRUE;
    BuildWindow(parent ? parent : m_parent);
    if (!m_window) return FALSE;
    // FALSE from OnInitDialog says it placed the focus itself.
    if (!OnInitDialog() && !m_focusRequest) m_focusRequest = m_window->focusWidget();
    return TRUE;
}

int CDialog::DoModal() {
    if (!Create()) return IDCANCEL;
    m_result = IDCANCEL;
    m_inModalLoop = true;
    m_window->exec();
    m_inModalLoop = false;
    int result = m_result;
    DestroyWindow();
    return result;
}

void CDialog::EndDialog(int result) {
    m_result = result;
    if (m_window) m_window->done(result);
}

BOOL CDialog::OnInitDialog() { return TRUE; }
void CDialog::OnOK() { EndDialog(IDOK); }
void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::OnCommand(UINT id, UINT code) {
    if (code != BN_CLICKED) return FALSE;
    if (id == static_cast<UINT>(IDOK)) {
        OnOK();
        return TRUE;
    }
    if (id == static_cast<UINT>(IDCANCEL)) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

BOOL CDialog::OnNotify(UINT, UINT) { return FALSE; }

void CDialog::Dispatch(UINT id, UINT code, bool notify) {
    if (notify) {
        OnNotify(id, code);
    } else {
        OnCommand(id, code);
    }
}

// ---- control operations ------------------------------------------------------

QWidget* CDialog::GetDlgItem(int id) const {
    auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CDialog::EnableDlgItem(int id, BOOL enable) {
    if (QWidget* w = GetDlgItem(id)) w->setEnabled(enable != FALSE);
}

BOOL CDialog::IsDlgItemEnabled(int id) const {
    QWidget* w = GetDlgItem(id);
    return w && w->isEnabled();
}

void CDialog::ShowDlgItem(int id, BOOL show) {
    if (QWidget* w = GetDlgItem(id)) w->setVisible(show != FALSE);
}

BOOL CDialog::IsDlgItemVisible(int id) const {
    QWidget* w = GetDlgItem(id);
    return w && !w->isHidden();
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(ToQt(text));
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) {
        multi->setPlainText(ToQt(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(ToQt(text));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(ToQt(text));
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
        group->setTitle(ToQt(StripMnemonic(text)));
    }
}

std::string CDialog::GetDlgItemText(int id) const {
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return FromQt(edit->text());
    if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) return FromQt(RawText(multi));
    if (auto* label = qobject_cast<QLabel*>(w)) return FromQt(label->text());
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return FromQt(button->text());
    if (auto* combo = qobject_cast<QComboBox*>(w)) return FromQt(combo->currentText());
    return {};
}

void CDialog::LimitText(int id, int maxChars) {
    QWidget* w = GetDlgItem(id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setMaxLength(maxChars);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) {
        // A plain text edit has no limit of its own: cut what goes over.
        QObject::connect(multi, &QPlainTextEdit::textChanged, multi, [multi, maxChars] {
            QString text = RawText(multi);
            if (text.size() <= maxChars) return;
            QSignalBlocker block(multi);
            QTextCursor cursor = multi->textCursor();
            int position = std::min<int>(cursor.position(), maxChars);
            multi->setPlainText(text.left(maxChars));
            cursor = multi->textCursor();
            cursor.setPosition(position);
            multi->setTextCursor(cursor);
        });
    }
}

void CDialog::KeepOnOneLine(int id) {
    if (auto* edit = Item<QPlainTextEdit>(id)) edit->installEventFilter(new OneLineFilter(this, edit));
}

void CDialog::CheckDlgButton(int id, BOOL check) {
    if (auto* button = Item<QAbstractButton>(id)) {
        if (!button->isCheckable()) return;
        // A group's exclusivity must not stop unchecking.
        QButtonGroup* group = button->group();
        bool exclusive = group && group->exclusive();
        if (exclusive && !check) group->setExclusive(false);
        button->setChecked(check != FALSE);
        if (exclusive && !check) group->setExclusive(true);
    }
}

BOOL CDialog::IsDlgButtonChecked(int id) const {
    auto* button = Item<QAbstractButton>(id);
    return button && button->isChecked();
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id)
        if (GetDlgItem(id)) CheckDlgButton(id, id == checkId);
}

void CDialog::SetFocusTo(int id) {
    QWidget* w = GetDlgItem(id);
    if (!w) return;
    m_focusRequest = w;
    if (m_window && m_window->isVisible() && w->isVisible()) FocusAsByTab(w);
}

void FocusAsByTab(QWidget* widget) {
    if (!widget) return;
    widget->setFocus(Qt::TabFocusReason);
    // Focus that arrives while the window is not active comes with another
    // reason: select here what Tab would select.
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

std::vector<QWidget*> CDialog::TabChain() const {
    std::vector<QWidget*> chain;
    for (QWidget* w : m_order)
        if (w->focusPolicy() != Qt::NoFocus) chain.push_back(w);
    return chain;
}

QWidget* CDialog::FirstTabStop() const {
    for (QWidget* w : m_order) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled() || !w->isVisibleTo(m_window)) continue;
        if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            // A radio group is entered at its checked button.
            if (QButtonGroup* group = radio->group())
                if (QAbstractButton* checked = group->checkedButton())
                    if (checked->isEnabled() && checked->isVisibleTo(m_window)) return checked;
        }
        return w;
    }
    return nullptr;
}

void CDialog::ApplyInitialFocus() {
    if (!m_window) return;
    QWidget* target = m_focusRequest;
    m_focusRequest = nullptr;
    if (!target || !target->isEnabled() || !target->isVisibleTo(m_window)) target = FirstTabStop();
    FocusAsByTab(target);
}

QWidget* CDialog::DefaultButton() const {
    if (!m_window) return nullptr;
    if (auto* focused = qobject_cast<QPushButton*>(m_window->focusWidget())) return focused;
    for (QWidget* w : m_order)
        if (auto* button = qobject_cast<QPushButton*>(w); button && button->isDefault()) return button;
    return nullptr;
}

int CDialog::AddString(int id, const std::string& text) {
    QWidget* w = GetDlgItem(id);
    const bool sorted = w && (w->property(kStyleProperty).toUInt() & res::CS_SORTED);
    QString value = ToQt(text);
    auto position = [&](int count, auto itemText) {
        if (!sorted) return count;
        int at = 0;
        while (at < count && QString::compare(itemText(at), value, Qt::CaseInsensitive) <= 0) ++at;
        return at;
    };
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        int at = position(combo->count(), [combo](int i) { return combo->itemText(i); });
        QSignalBlocker block(combo);
        combo->insertItem(at, value);
        if (combo->count() == 1) combo->setCurrentIndex(-1);  // a new box has no selection
        return at;
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        int at = position(list->count(), [list](int i) { return list->item(i)->text(); });
        list->insertItem(at, value);
        return at;
    }
    return -1;
}

int CDialog::SelectString(int id, const std::string& prefix) {
    QString value = ToQt(prefix);
    int count = GetItemCount(id);
    for (int i = 0; i < count; ++i) {
        if (ToQt(GetItemText(id, i)).startsWith(value, Qt::CaseInsensitive)) {
            SetCurSel(id, i);
            return i;
        }
    }
    return -1;
}

int CDialog::GetCurSel(int id) const {
    QWidget* w = GetDlgItem(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentIndex();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->currentRow();
    if (auto* tabs = qobject_cast<TabControl*>(w)) return tabs->GetCurSel();
    return -1;
}

void CDialog::SetCurSel(int id, int index) {
    QWidget* w = GetDlgItem(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    } else if (auto* list = qobject_cast<QListWidget*>(w)) {
        QSignalBlocker block(list);
        list->setCurrentRow(index);
    } else if (auto* tabs = qobject_cast<TabControl*>(w)) {
        tabs->SetCurSel(index);
    }
}

std::string CDialog::GetItemText(int id, int index) const {
    QWidget* w = GetDlgItem(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return FromQt(combo->itemText(index));
    if (auto* list = qobject_cast<QListWidget*>(w)) {
        QListWidgetItem* item = list->item(index);
        return item ? FromQt(item->text()) : std::string();
    }
    return {};
}

int CDialog::GetItemCount(int id) const {
    QWidget* w = GetDlgItem(id);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->count();
    if (auto* list = qobject_cast<QListWidget*>(w)) return list->count();
    if (auto* tabs = qobject_cast<TabControl*>(w)) return tabs->GetItemCount();
    return 0;
}

void CDialog::SetWindowText(const std::string& text) {
    if (m_window) m_window->setWindowTitle(ToQt(text));
}

std::string CDialog::GetWindowText() const { return m_window ? FromQt(m_window->windowTitle()) : std::string(); }

}  // namespace framework
