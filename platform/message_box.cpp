#include "platform/message_box.h"

#include <cstdio>

#include "platform/ansi_text.h"
#include "res/load_string.h"
#include "res/standard_ids.h"

namespace platform {

namespace {

// Without a user interface, messages go to standard error. A question is
// answered No: the answer that stays and changes nothing.
class ConsoleSink : public MessageSink {
public:
    int Show(const MessageRequest& request) override {
        // Messages may quote stored text: a terminal gets it as UTF-8, with
        // its control bytes escaped (the message's own line breaks stay).
        std::string text;
        for (char c : request.text) text += c == '\n' ? std::string("\n") : EscapeControls(std::string(1, c));
        std::fprintf(stderr, "%s: %s\n", AnsiToUtf8(EscapeControls(request.caption)).c_str(), AnsiToUtf8(text).c_str());
        switch (request.style & MB_BUTTON_MASK) {
            case MB_YESNO: return IDNO;
            case MB_OKCANCEL: return IDCANCEL;
            default: return IDOK;
        }
    }
};

ConsoleSink g_console;
MessageSink* g_sink = &g_console;
std::string g_title;

}  // namespace

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink ? sink : &g_console;
    return previous == &g_console ? nullptr : previous;
}

MessageSink* GetMessageSink() { return g_sink; }

void SetApplicationTitle(const std::string& title) { g_title = title; }

const std::string& GetApplicationTitle() {
    if (g_title.empty()) g_title = res::LoadString(res::AFX_IDS_APP_TITLE);
    return g_title;
}

int ShowMessage(const MessageRequest& request) { return g_sink->Show(request); }

int AfxMessageBox(const std::string& text, unsigned style, unsigned helpContext) {
    MessageRequest request;
    request.kind = MessageKind::Application;
    request.text = text;
    request.caption = GetApplicationTitle();
    request.style = style;
    request.helpContext = helpContext;
    return ShowMessage(request);
}

int AfxMessageBox(unsigned stringId, unsigned style, unsigned helpContext) {
    return AfxMessageBox(res::LoadString(stringId), style, helpContext);
}

int MessageBox(void* owner, const std::string& text, const std::string& caption, unsigned style) {
    MessageRequest request;
    request.kind = MessageKind::Owned;
    request.text = text;
    request.caption = caption;
    request.style = style;
    request.owner = owner;
    return ShowMessage(request);
}

}  // namespace platform
