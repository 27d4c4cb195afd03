#include "image/image_help_route.h"

#include <QObject>

#include "imagelib/image_help_event.h"
#include "platform/framework/dialog.h"
#include "res/resource.h"

// The viewer's own topic is one of ours.
static_assert(KTIMG_HELP_VIEWER == IDH_IMAGE_VIEWER);

namespace {

class ImageHelpRoute : public QObject {
public:
    ImageHelpRoute(framework::CDialog& dialog, QObject* window) : QObject(window), m_dialog(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != ImageHelpEvent::kType) return false;
        auto* help = static_cast<ImageHelpEvent*>(event);
        return m_dialog.OnWindowMessage(WM_IMAGE_HELP, 0, static_cast<intptr_t>(help->context())) != FALSE;
    }

private:
    framework::CDialog& m_dialog;
};

}  // namespace

void RouteImageHelp(framework::CDialog& dialog) {
    QWidget* window = dialog.Window();
    if (!window) return;
    // The filter belongs to the window and goes with it.
    window->installEventFilter(new ImageHelpRoute(dialog, window));
}
