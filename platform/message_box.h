// Modal message boxes. Every message the program shows goes through one
// replaceable sink: the user interface installs boxes on screen, tests
// install a script that records what was shown and answers questions.
#pragma once

#include <string>

#include "res/standard_ids.h"  // the answers: IDOK, IDCANCEL, IDYES, IDNO

namespace platform {

// Styles and answers, with the values the Windows message box uses.
enum : unsigned {
    MB_OK = 0x0000,
    MB_OKCANCEL = 0x0001,
    MB_YESNO = 0x0004,
    MB_ICONERROR = 0x0010,
    MB_ICONQUESTION = 0x0020,
    MB_ICONWARNING = 0x0030,
    MB_ICONINFORMATION = 0x0040,
    MB_HELP = 0x4000,  // a Help button (and F1) that opens the request's help context
    MB_BUTTON_MASK = 0x000F,
    MB_ICON_MASK = 0x00F0,
};
// The answers are the standard identifiers (IDOK, IDCANCEL, IDYES, IDNO).

// The three kinds of box the program shows.
enum class MessageKind {
    Application,  // the framework's box, captioned with the application title
    Owned,        // owned by a dialog, with a caption of its own
    ErrorBox,     // captioned with the active window's title, error icon
};

struct MessageRequest {
    MessageKind kind = MessageKind::Application;
    std::string text;
    std::string caption;
    unsigned style = MB_OK;
    void* owner = nullptr;  // framework window, when there is one
    unsigned helpContext = 0;  // with MB_HELP: the topic the Help button opens
};

class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual int Show(const MessageRequest& request) = 0;
};

// Installs a sink and returns the one it replaces. nullptr restores the
// default console sink, which prints to standard error and answers a question
// with No (stay and change nothing).
MessageSink* SetMessageSink(MessageSink* sink);
MessageSink* GetMessageSink();

// The application title: the caption of every application box.
void SetApplicationTitle(const std::string& title);
const std::string& GetApplicationTitle();

int ShowMessage(const MessageRequest& request);
// The framework's application message box.
int AfxMessageBox(const std::string& text, unsigned style = MB_OK, unsigned helpContext = 0);
int AfxMessageBox(unsigned stringId, unsigned style = MB_OK, unsigned helpContext = 0);
// A box owned by a window, with its own caption.
int MessageBox(void* owner, const std::string& text, const std::string& caption, unsigned style);

}  // namespace platform
