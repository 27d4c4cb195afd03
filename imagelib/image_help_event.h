// The help request the image viewer sends to its owner window: the Qt
// counterpart of the window message WM_USER+1 with the help context in
// lParam. It is sent synchronously (QCoreApplication::sendEvent); an owner
// that shows the help returns true from its event() handler, as the window
// procedure returned 1.
//
//   bool MyDialog::event(QEvent* e) {
//       if (e->type() == ImageHelpEvent::kType) {
//           ShowHelp(static_cast<ImageHelpEvent*>(e)->context());
//           return true;
//       }
//       return Base::event(e);
//   }
#pragma once

#include <QEvent>

#include "imagelib/image_library.h"

class ImageHelpEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(KTIMG_HELP_EVENT_TYPE);
    explicit ImageHelpEvent(unsigned context) : QEvent(kType), m_context(context) {}
    unsigned context() const { return m_context; }

private:
    unsigned m_context;
};
