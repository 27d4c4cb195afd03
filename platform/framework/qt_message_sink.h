// The message sink of the running program: real modal message boxes.
#pragma once

#include "platform/message_box.h"

namespace framework {

class QtMessageSink : public platform::MessageSink {
public:
    int Show(const platform::MessageRequest& request) override;
};

// Title of the active window (the error box's caption), cut to 255
// characters as the 256-byte buffer of the original call cuts it; empty when
// no window is active.
std::string ActiveWindowTitle();
// The active window, as an owner for boxes (nullptr when none).
void* ActiveWindow();

// The error box: the text with the error icon, owned by the active window
// and captioned with its title.
void ShowActiveWindowErrorBox(const std::string& text);

}  // namespace framework
