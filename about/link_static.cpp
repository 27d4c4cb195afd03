#include "about/link_static.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <cstdio>
#include <cstring>

#include "platform/message_box.h"
#include "res/string_table.h"

CLinkStatic::CLinkStatic() : m_hoverColor(GetSysColor(COLOR_HIGHLIGHT)) {}

CLinkStatic::~CLinkStatic() {
    m_linkFont.reset();
    m_handCursor = nullptr;
    m_ownCursor.reset();
    m_toolTip.DestroyWindow();
}

// ---- properties --------------------------------------------------------------

void CLinkStatic::SetLink(const std::string& address) {
    m_link = address;
    if (!HasWindow()) return;
    FitToText();
    m_toolTip.UpdateTipText(address, GetControl(), 1);
}

std::string CLinkStatic::GetLink() const { return m_link; }

void CLinkStatic::SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover) {
    m_linkColor = link;
    m_visitedColor = visited;
    m_hoverColor = hover == static_cast<COLORREF>(-1) ? GetSysColor(COLOR_HIGHLIGHT) : hover;
    Invalidate();
}

COLORREF CLinkStatic::GetLinkColor() const { return m_linkColor; }
COLORREF CLinkStatic::GetVisitedColor() const { return m_visitedColor; }
COLORREF CLinkStatic::GetHoverColor() const { return m_hoverColor; }

void CLinkStatic::MarkVisited(BOOL visited) {
    m_visited = visited;
    Invalidate();
}

BOOL CLinkStatic::IsVisited() const { return m_visited; }

void CLinkStatic::SetHandCursor(HCURSOR cursor) {
    if (cursor != m_ownCursor.get()) m_ownCursor.reset();
    m_handCursor = cursor;
    if (!cursor) LoadHandCursor();
}

HCURSOR CLinkStatic::GetHandCursor() const { return m_handCursor; }

void CLinkStatic::SetUnderlined(BOOL underlined) {
    m_underlined = underlined;
    if (!HasWindow()) return;
    ApplyLinkFont();
    Invalidate();
}

BOOL CLinkStatic::IsUnderlined() const { return m_underlined; }

void CLinkStatic::SetFitToText(BOOL fit) {
    m_fitToText = fit;
    if (HasWindow()) FitToText();
}

BOOL CLinkStatic::IsFitToText() const { return m_fitToText; }

void CLinkStatic::ApplyLinkFont() {
    QFont font = GetFont();
    font.setUnderline(m_underlined != FALSE);
    m_linkFont = font;
    SetFont(font, TRUE);
}

void CLinkStatic::FitToText() {
    if (!HasWindow() || !m_fitToText) return;
    const QRect window = GetWindowRectInParent();
    int left = window.x(), top = window.y();
    int right = left + window.width(), bottom = top + window.height();
    QFontMetrics metrics(m_linkFont ? *m_linkFont : GetFont());
    const QString text = GetControl()->text();
    const int cx = metrics.horizontalAdvance(text);
    const int cy = metrics.height();

    const DWORD style = GetStyle();
    if (style & SS_CENTERIMAGE) {
        int shrink = (window.height() - cy) / 2;
        top += shrink;
        bottom -= shrink;
    } else {
        bottom = top + cy;
    }
    if (style & SS_CENTER) {
        int shrink = (window.width() - cx) / 2;
        left += shrink;
        right -= shrink;
    } else if (style & SS_RIGHT) {
        left = right - cx;
    } else {
        right = left + cx;
    }
    MoveWindow(QRect(left, top, right - left, bottom - top));
    // The tip covers the control as it is now, not as it was when the tip
    // was made.
    m_toolTip.SetToolRect(GetControl(), 1, GetClientRect());
}

void CLinkStatic::LoadHandCursor() {
    if (m_handCursor) return;
    // The desktop's own pointing-hand shape stands in for the help viewer's
    // hand cursor resource.
    m_ownCursor = std::make_unique<QCursor>(Qt::PointingHandCursor);
    m_handCursor = m_ownCursor.get();
}

// ---- attaching and messages ----------------------------------------------------

void CLinkStatic::PreSubclassWindow() {
    ModifyStyle(0, SS_NOTIFY);
    if (m_link.empty()) m_link = GetWindowText();
    if (GetWindowText().empty()) SetWindowText(m_link);
    ApplyLinkFont();
    FitToText();
    LoadHandCursor();
    m_toolTip.Create(GetControl());
    m_toolTip.AddTool(GetControl(), m_link, GetClientRect(), 1);
    CStatic::PreSubclassWindow();
}

BOOL CLinkStatic::PreTranslateMessage(QEvent* event) {
    m_toolTip.RelayEvent(event);
    // The mouse capture normally brings the move that leaves the control;
    // when the toolkit has no capture to give (or a box took it), leaving is
    // the same thing.
    if (event->type() == QEvent::Leave && m_overControl) {
        m_overControl = FALSE;
        ReleaseCapture();
        RedrawNow();
    }
    return CStatic::PreTranslateMessage(event);
}

BOOL CLinkStatic::OnSetCursor() {
    if (!m_handCursor) return FALSE;
    GetControl()->setCursor(*m_handCursor);
    return TRUE;
}

void CLinkStatic::OnMouseMove(UINT flags, const QPoint& point) {
    CStatic::OnMouseMove(flags, point);
    if (!m_overControl) {
        m_overControl = TRUE;
        RedrawNow();
        SetCapture();
    } else if (!GetClientRect().contains(point)) {
        m_overControl = FALSE;
        ReleaseCapture();
        RedrawNow();
    }
}

HBRUSH CLinkStatic::CtlColor(CDC* dc, UINT) {
    dc->SetTextColor(m_overControl ? m_hoverColor : m_visited ? m_visitedColor : m_linkColor);
    dc->SetBkMode(TRANSPARENT);
    return GetStockNullBrush();
}

void CLinkStatic::OnClicked() {
    // A message box or the browser must get the mouse: a capture kept across
    // them would leave the box deaf to clicks.
    ReleaseCapture();
    int status = OpenLink(m_link, host::SW_SHOW);
    m_visited = status > 32;
    if (m_visited) {
        MarkVisited(TRUE);
    } else {
        QApplication::beep();
        ShowLinkError(status);
    }
}

// ---- opening -------------------------------------------------------------------

int CLinkStatic::OpenLink(const std::string& address, int showCommand) {
    int status = host::ShellExecuteOpen(address, showCommand);
    if (status > 32) return status;

    // The browser registered for web pages.
    char value[kCommandBufferSize] = {};
    if (ReadRegistryDefault(host::HKEY_CLASSES_ROOT, ".htm", value, sizeof value) != 0) return status;
    const std::string commandKey = std::string(value) + "\\shell\\open\\command";
    if (ReadRegistryDefault(host::HKEY_CLASSES_ROOT, commandKey, value, sizeof value) != 0) return status;

    char commandLine[kCommandBufferSize];
    // A command line that does not fit is refused whole rather than cut: a
    // cut address would open some other page.
    if (!BuildBrowserCommand(value, address, commandLine, sizeof commandLine)) return host::SE_ERR_NOT_ENOUGH_MEMORY;
    return host::CreateProcessA(commandLine) ? host::kShellOpenSucceeded : host::SE_ERR_OOM;
}

BOOL CLinkStatic::BuildBrowserCommand(const char* command, const std::string& address, char* buffer, size_t size) {
    const char* placeholder = std::strstr(command, "\"%1\"");
    if (!placeholder) placeholder = std::strstr(command, "%1");
    const size_t kept = placeholder ? static_cast<size_t>(placeholder - command) : std::strlen(command);
    if (size == 0 || kept + 1 + address.size() + 1 > size) return FALSE;
    std::memcpy(buffer, command, kept);
    buffer[kept] = ' ';
    std::memcpy(buffer + kept + 1, address.data(), address.size());
    buffer[kept + 1 + address.size()] = '\0';
    return TRUE;
}

host::LONG CLinkStatic::ReadRegistryDefault(host::HKEY root, const std::string& subkey, char* out, size_t outSize) {
    host::HKEY key = 0;
    host::LONG result = host::RegOpenKeyExA(root, subkey, &key);
    if (result != host::ERROR_SUCCESS) return result;
    char value[kRegistryValueSize];
    size_t size = std::min(sizeof value, outSize);
    result = host::RegQueryValueExA(key, value, &size);
    if (result != host::ERROR_SUCCESS) {
        host::RegCloseKey(key);
        return result;
    }
    std::memcpy(out, value, size);
    host::RegCloseKey(key);
    return host::ERROR_SUCCESS;
}

std::string CLinkStatic::LinkErrorText(int status) {
    switch (status) {
        case 0: return "The operating system is out\nof memory or resources.";
        case 2: return "The specified file was not found.";
        case 3: return "The specified path was not found.";
        case 5: return "The operating system denied\naccess to the specified file.";
        case 8: return "There was not enough memory to complete the operation.";
        case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
        case 26: return "A sharing violation occurred. ";
        case 27: return "The filename association is\nincomplete or invalid.";
        case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
        case 29: return "The DDE transaction failed.";
        case 30:
            return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
        case 31: return "There is no application associated\nwith the given filename extension.";
        case 32: return "The specified dynamic-link library was not found.";
        default: {
            char text[64];
            std::snprintf(text, sizeof text, "Unknown Error (%d) occurred.", status);
            return text;
        }
    }
}

void CLinkStatic::ShowLinkError(int status) {
    platform::AfxMessageBox(res::FormatString(res::IDS_LINK_ERROR, LinkErrorText(status).c_str()),
                            platform::MB_ICONWARNING | platform::MB_OK);
}
