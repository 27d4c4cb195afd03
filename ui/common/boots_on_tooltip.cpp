#include "ui/common/boots_on_tooltip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "image/image_boots_on.h"
#include "platform/framework/qt_text.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

class BootsOnTooltip : public QObject {
public:
    BootsOnTooltip(QWidget* widget, TooltipItemAt itemAt) : QObject(widget), m_itemAt(std::move(itemAt)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ToolTip) return false;
        auto* help = static_cast<QHelpEvent*>(event);
        const std::optional<TooltipItem> item = m_itemAt(help->pos());
        if (!item) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const std::string boots = BootsOnDetail(ItemBootsOn(item->folder, item->image));
        QToolTip::showText(help->globalPos(), framework::ToQt(res::FormatString(res::IDS_BOOTS_ON, boots.c_str())),
                           static_cast<QWidget*>(watched));
        return true;
    }

private:
    TooltipItemAt m_itemAt;
};

}  // namespace

void InstallBootsOnTooltip(QWidget* widget, TooltipItemAt itemAt) {
    if (widget) widget->installEventFilter(new BootsOnTooltip(widget, std::move(itemAt)));
}
