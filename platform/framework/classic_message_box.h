// The message box of the running program, made to look and answer like the
// Windows one: the icon of the classic set at the left, the text beside it,
// the buttons centred below. Enter presses the focused button (at first the
// first one); Escape and the close button answer Cancel where there is one,
// OK in an OK box, and do nothing in a Yes/No box, which has no close button.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <vector>

#include "platform/message_box.h"

class QPushButton;

namespace framework {

// The 32-pixel icon of a MB_ICON* style, drawn in the manner of the classic
// set (a null pixmap for none).
QPixmap ClassicMessageIcon(unsigned iconStyle);

class ClassicMessageBox : public QDialog {
public:
    ClassicMessageBox(const platform::MessageRequest& request, QWidget* owner);

    // The button that answers `answer` (IDOK, IDCANCEL, IDYES, IDNO), if any.
    QPushButton* Button(int answer) const;
    // Shows the box modally; returns the answer.
    int Run();

    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    unsigned m_style;
    unsigned m_helpContext;
    std::vector<std::pair<int, QPushButton*>> m_buttons;
};

}  // namespace framework
