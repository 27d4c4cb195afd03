// CLinkStatic: turns a static text control into a web link. The text is
// underlined and drawn in the link colour (the visited colour after a
// successful click, the hover colour while the mouse is over it), the cursor
// is a hand, a tooltip shows the address, and a click opens the address with
// the desktop's opener, falling back to the registered web browser.
#pragma once

#include <QFont>
#include <memory>
#include <optional>
#include <string>

#include "platform/desktop_links.h"
#include "platform/framework/static_control.h"

class CLinkStatic : public CStatic {
public:
    CLinkStatic();
    ~CLinkStatic() override;

    virtual void SetLink(const std::string& address);
    virtual std::string GetLink() const;
    // A hover colour of -1 stands for the system highlight colour.
    virtual void SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover = static_cast<COLORREF>(-1));
    virtual COLORREF GetLinkColor() const;
    virtual COLORREF GetVisitedColor() const;
    virtual COLORREF GetHoverColor() const;
    virtual void MarkVisited(BOOL visited = TRUE);
    virtual BOOL IsVisited() const;
    // nullptr loads the default hand cursor.
    virtual void SetHandCursor(HCURSOR cursor);
    virtual HCURSOR GetHandCursor() const;
    virtual void SetUnderlined(BOOL underlined);
    virtual BOOL IsUnderlined() const;
    virtual void SetFitToText(BOOL fit);
    virtual BOOL IsFitToText() const;
    // A status above 32 on success, otherwise one of the shell's failure codes.
    virtual int OpenLink(const std::string& address, int showCommand);
    virtual void ShowLinkError(int status);
    // Reads root\subkey's default value into `out` (at most `outSize` bytes
    // with the terminating NUL, and never more than 260): 0 on success,
    // otherwise an error code.
    virtual host::LONG ReadRegistryDefault(host::HKEY root, const std::string& subkey, char* out, size_t outSize);
    virtual void FitToText();
    virtual void LoadHandCursor();

    BOOL IsOverControl() const { return m_overControl; }
    const CToolTipCtrl& ToolTip() const { return m_toolTip; }

    // The text of a status as ShowLinkError words it, without its heading.
    static std::string LinkErrorText(int status);
    // The browser's command line of the fallback: `command` cut at its "%1"
    // placeholder (the quoted one first), a blank and the address. FALSE,
    // with nothing written past `size` bytes, when it does not fit.
    static BOOL BuildBrowserCommand(const char* command, const std::string& address, char* buffer, size_t size);

    // Size of the fallback's command buffer.
    static constexpr size_t kCommandBufferSize = 520;
    // The most a registry value may hold, with its terminating NUL.
    static constexpr size_t kRegistryValueSize = 260;

protected:
    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(QEvent* event) override;
    void OnClicked() override;
    HBRUSH CtlColor(CDC* dc, UINT ctlColor) override;
    BOOL OnSetCursor() override;
    void OnMouseMove(UINT flags, const QPoint& point) override;

private:
    void ApplyLinkFont();

    COLORREF m_linkColor = RGB(0, 0, 238);
    COLORREF m_visitedColor = RGB(85, 26, 139);
    COLORREF m_hoverColor;
    BOOL m_overControl = FALSE;
    BOOL m_visited = FALSE;
    BOOL m_underlined = TRUE;
    BOOL m_fitToText = TRUE;
    std::string m_link;
    std::optional<QFont> m_linkFont;
    HCURSOR m_handCursor = nullptr;
    // The hand cursor this control loaded; one given by a caller stays the
    // caller's.
    std::unique_ptr<QCursor> m_ownCursor;
    CToolTipCtrl m_toolTip;
};
