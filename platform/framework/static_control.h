// The static control as a class of its own, for controls that need more than
// a label: a CStatic attaches to a static of a dialog (SubclassDlgItem) and
// from then on sees that control's messages first, the way a subclassed
// window procedure does. Painting goes through the colour request, so a
// subclass decides the text colour and background like an owner would.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QLabel>
#include <QPointer>
#include <QRect>
#include <map>
#include <memory>
#include <string>

#include "platform/win_types.h"

class QEvent;
class QWidget;

namespace framework {
class CDialog;
}

typedef uint32_t COLORREF;
typedef const QCursor* HCURSOR;
typedef const QBrush* HBRUSH;

constexpr COLORREF RGB(unsigned r, unsigned g, unsigned b) { return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16); }
inline QColor ColorFromRef(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }
inline COLORREF RefFromColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

enum : int { COLOR_HIGHLIGHT = 13 };
// A system colour from the application palette.
COLORREF GetSysColor(int index);

// Static control styles.
enum : DWORD {
    SS_LEFT = 0x0000,
    SS_CENTER = 0x0001,
    SS_RIGHT = 0x0002,
    SS_NOTIFY = 0x0100,
    SS_CENTERIMAGE = 0x0200,
};

enum : UINT { STN_CLICKED = 0, CTLCOLOR_STATIC = 6 };
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
enum : UINT { MK_LBUTTON = 0x0001 };

// The stock brush that paints nothing.
HBRUSH GetStockNullBrush();

// The drawing state a colour request sets up for the control's painting.
class CDC {
public:
    COLORREF SetTextColor(COLORREF color) { std::swap(color, m_text); return color; }
    COLORREF GetTextColor() const { return m_text; }
    int SetBkMode(int mode) { std::swap(mode, m_bkMode); return mode; }
    int GetBkMode() const { return m_bkMode; }

private:
    COLORREF m_text = 0;
    int m_bkMode = OPAQUE;
};

// Tooltips for tools (rectangles of a window), shown when the control relays
// the window's events to it.
class CToolTipCtrl {
public:
    ~CToolTipCtrl() { DestroyWindow(); }
    BOOL Create(QWidget* owner, DWORD style = 0);
    BOOL IsWindow() const { return m_owner != nullptr; }
    void DestroyWindow();
    BOOL AddTool(QWidget* window, const std::string& text, const QRect& rect, UINT toolId);
    void UpdateTipText(const std::string& text, QWidget* window, UINT toolId);
    void SetToolRect(QWidget* window, UINT toolId, const QRect& rect);
    // "" for a tool that does not exist.
    std::string GetToolText(UINT toolId) const;
    QRect GetToolRect(UINT toolId) const;
    // Shows the tip of the tool under a tooltip event's point.
    void RelayEvent(QEvent* event);

private:
    struct Tool {
        std::string text;
        QRect rect;
    };
    QPointer<QWidget> m_owner;
    std::map<UINT, Tool> m_tools;
};

class CStatic {
public:
    CStatic();
    virtual ~CStatic();
    CStatic(const CStatic&) = delete;
    CStatic& operator=(const CStatic&) = delete;

    // Attaches to static control `id` of the dialog; FALSE when the dialog
    // has no such static or this object is attached to a live window.
    BOOL SubclassDlgItem(int id, framework::CDialog* parent);
    // The attached control (nullptr before attaching and after the dialog's
    // window is gone).
    QLabel* GetControl() const { return m_wnd.data(); }
    bool HasWindow() const { return !m_wnd.isNull(); }

    DWORD GetStyle() const { return m_style; }
    void ModifyStyle(DWORD remove, DWORD add) { m_style = (m_style & ~remove) | add; }
    std::string GetWindowText() const;
    void SetWindowText(const std::string& text);
    QFont GetFont() const;
    void SetFont(const QFont& font, BOOL redraw = TRUE);
    // The window rectangle in the parent's client coordinates.
    QRect GetWindowRectInParent() const;
    QRect GetClientRect() const;
    void MoveWindow(const QRect& rect);
    void Invalidate();
    // Invalidate, erase and paint now.
    void RedrawNow();
    void SetCapture();
    void ReleaseCapture();

    // The colours the control paints with now: what the colour request
    // answers (text colour and background mode), for drawing and for tests.
    CDC QueryColors();

protected:
    // Runs once the control is attached, before it sees any message.
    virtual void PreSubclassWindow() {}
    // Sees every event of the control first; TRUE eats it.
    virtual BOOL PreTranslateMessage(QEvent* /*event*/) { return FALSE; }
    // Reflected notification of a click (with SS_NOTIFY).
    virtual void OnClicked() {}
    // Reflected colour request: nullptr lets the dialog's colours stand.
    virtual HBRUSH CtlColor(CDC* /*dc*/, UINT /*ctlColor*/) { return nullptr; }
    // TRUE when the cursor was set.
    virtual BOOL OnSetCursor() { return FALSE; }
    virtual void OnMouseMove(UINT /*flags*/, const QPoint& /*point*/) {}

private:
    friend class StaticHook;
    void Paint();

    QPointer<QLabel> m_wnd;
    DWORD m_style = 0;
    QPointer<QObject> m_hook;  // child of the control
};
