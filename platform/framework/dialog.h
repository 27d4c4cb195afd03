// Dialog base: a window built from a dialog template (res/dialog_template.h),
// its controls found by their numeric identifiers, and the virtual
// operations the dialogs and pages of the editor override. Commands and
// notifications of the controls arrive in OnCommand / OnNotify with the
// Windows notification codes, so dialog code reads like its design.
#pragma once

#include <QDialog>
#include <QPointer>
#include <map>
#include <string>
#include <vector>

#include "platform/framework/dialog_units.h"
#include "platform/win_types.h"
#include "res/dialog_template.h"
#include "res/standard_ids.h"

class QComboBox;
class QTabBar;

namespace framework {

// Notification codes, with their Windows values.
enum : UINT {
    BN_CLICKED = 0,
    CBN_SELCHANGE = 1,
    LBN_SELCHANGE = 1,
    LBN_DBLCLK = 2,
    EN_CHANGE = 0x0300,
    NM_CLICK = static_cast<UINT>(-2),
    NM_DBLCLK = static_cast<UINT>(-3),
    LVN_ITEMCHANGED = static_cast<UINT>(-101),
    TCN_SELCHANGE = static_cast<UINT>(-551),
};

// The Help button's identifier, as the dialog code names it.
using ::IDHELP;

class CDialog;

// The Qt window of a dialog; routes keys, closing, painting and activation
// to its CDialog.
class DialogWindow : public QDialog {
    Q_OBJECT
public:
    DialogWindow(CDialog* owner, QWidget* parent);
    CDialog* Owner() const { return m_owner; }

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    CDialog* m_owner;
};

// The tab control: a tab strip over a framed page area, like the common
// control; the controls of the page lie on top of it as siblings.
class TabControl : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent);
    QTabBar* Bar() const { return m_bar; }
    int InsertItem(int index, const QString& text);
    int GetCurSel() const;
    void SetCurSel(int index);
    int GetItemCount() const;

signals:
    void selectionChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* m_bar;
};

class CDialog {
public:
    explicit CDialog(unsigned templateId, QWidget* parent = nullptr);
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Builds the window, runs OnInitDialog and the modal loop; returns the
    // value given to EndDialog (IDCANCEL when the window could not be built).
    virtual int DoModal();
    // Builds the window and runs OnInitDialog without showing it: the first
    // half of DoModal, used by property sheets for their pages and by tests.
    BOOL Create(QWidget* parent = nullptr);
    void EndDialog(int result);
    // Destroys the window (a later Create builds a fresh one).
    void DestroyWindow();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Command from a control: a click, an edit change, a selection change.
    // Returns TRUE when handled. The base routes IDOK and IDCANCEL clicks.
    virtual BOOL OnCommand(UINT id, UINT code);
    // Notification from a common control (list view, tab control).
    virtual BOOL OnNotify(UINT id, UINT code);
    virtual void OnPaint() {}
    virtual void OnActivate(bool /*active*/) {}
    // Custom window messages (the image library's help request, WM_USER+1).
    virtual BOOL OnWindowMessage(UINT /*message*/, intptr_t /*wParam*/, intptr_t /*lParam*/) { return FALSE; }

    // ---- controls by identifier ------------------------------------------
    QWidget* GetDlgItem(int id) const;
    template <class T>
    T* Item(int id) const { return qobject_cast<T*>(GetDlgItem(id)); }
    void EnableDlgItem(int id, BOOL enable);
    BOOL IsDlgItemEnabled(int id) const;
    void ShowDlgItem(int id, BOOL show);
    BOOL IsDlgItemVisible(int id) const;
    void SetDlgItemText(int id, const std::string& text);
    std::string GetDlgItemText(int id) const;
    // Maximum characters an edit control accepts.
    void LimitText(int id, int maxChars);
    // A multi-line edit whose text ends up on one line of a file: Enter is
    // the dialog's Enter (its default button). Line breaks pasted into any
    // edit already become blanks, as every control character is kept out.
    void KeepOnOneLine(int id);
    void CheckDlgButton(int id, BOOL check);
    BOOL IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int firstId, int lastId, int checkId);
    // Gives a control the focus; called before the window shows (from
    // OnInitDialog or OnSetActive), it is where the focus starts instead of
    // the first tab stop.
    void SetFocusTo(int id);

    // ---- keyboard -------------------------------------------------------
    // The first control of the template, in template order, that Tab can
    // reach now (enabled, shown, a tab stop); for a radio group the checked
    // button. nullptr when there is none.
    QWidget* FirstTabStop() const;
    // The controls Tab can reach, in template order (hidden or disabled ones
    // too: the focus chain skips them while they are).
    std::vector<QWidget*> TabChain() const;
    // Puts the focus where a new dialog or page starts: where SetFocusTo
    // (or OnInitDialog returning FALSE) put it, else on the first tab stop.
    // A single-line edit that gets the focus this way has its text selected.
    void ApplyInitialFocus();
    // The push button Enter presses: the focused one, else the template's
    // default push button (nullptr when neither).
    QWidget* DefaultButton() const;

    // Combo and list boxes.
    int AddString(int id, const std::string& text);  // keeps CS_SORTED boxes sorted
    int SelectString(int id, const std::string& prefix);  // first case-insensitive prefix match
    int GetCurSel(int id) const;
    void SetCurSel(int id, int index);
    std::string GetItemText(int id, int index) const;
    int GetItemCount(int id) const;

    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;

    DialogWindow* Window() const { return m_window; }
    // The handle handed to other modules as an owner window.
    void* GetSafeHwnd() const { return m_window; }
    unsigned TemplateId() const { return m_templateId; }
    BaseUnits Units() const { return m_units; }
    // A command or notification as if a control sent it (tests and keyboard).
    void Dispatch(UINT id, UINT code, bool notify);
    // A push button the template does not have, at a place in dialog units;
    // it comes last in the tab order and sends BN_CLICKED like the others.
    QWidget* AddPushButton(int id, const std::string& text, int x, int y, int cx, int cy);

protected:
    // Pages are built as children of a sheet; dialogs as windows of their own.
    virtual void BuildWindow(QWidget* parent);
    void BuildControls(QWidget* surface, const res::DialogTemplate& dialog);

    unsigned m_templateId;
    QWidget* m_parent;
    DialogWindow* m_window = nullptr;
    BaseUnits m_units;
    int m_result = IDCANCEL;
    bool m_inModalLoop = false;

private:
    QWidget* CreateControl(QWidget* surface, const res::DialogControl& control);
    std::map<int, QWidget*> m_controls;
    std::vector<QWidget*> m_order;  // every control, in template order
    QPointer<QWidget> m_focusRequest;
};

// Gives `widget` the keyboard focus as Tab would, selecting the whole text of
// a single-line edit as Windows does.
void FocusAsByTab(QWidget* widget);

// Makes a button's Alt+mnemonic press it at once, as on Windows, instead of
// after the toolkit's short animation, so keys typed right after it reach
// what the press opened.
void PressMnemonicAtOnce(QWidget* button);

// Removes the & mnemonic markers ("&&" stays one "&").
std::string StripMnemonic(const std::string& text);

}  // namespace framework
