// The client screen preview: a small window of its own, opened by the
// "Preview..." buttons of the Submenu page and the appearance dialog, that
// shows the client's menu screen at the text mode's own size (80 x 25 cells
// of 8 x 16 pixels) and follows every change while it is open. The dialogs
// keep their template sizes.
#pragma once

#include <QPointer>
#include <string>

#include "loader/client_screen.h"

class ClientScreenView;
class QWidget;

// The button both dialogs add, and its text.
enum : int { IDC_CLIENT_PREVIEW = 1090 };
extern const char kPreviewButtonText[];

class ClientScreenPreview {
public:
    ClientScreenPreview() = default;
    ClientScreenPreview(const ClientScreenPreview&) = delete;
    ClientScreenPreview& operator=(const ClientScreenPreview&) = delete;
    ~ClientScreenPreview();

    // Shows the window beside `owner` (a second call brings it to the front).
    void Open(QWidget* owner);
    bool IsOpen() const;
    void Close();
    // The screen to show; kept while the window is closed, for the next Open.
    void SetScreen(const ClientScreen& screen);
    const ClientScreen& Screen() const { return m_screen; }
    ClientScreenView* View() const;

private:
    ClientScreen m_screen;
    QPointer<QWidget> m_window;
};
