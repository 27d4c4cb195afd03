#include "ui/common/boots_on_tooltip.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "image/image_boots_on.h"
#include "loader/loader_file.h"
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
        QToolTip::showText(help->globalPos(), framework::ToQt(BootsOnLine(*item)), static_cast<QWidget*>(watched));
        return true;
    }

private:
    TooltipItemAt m_itemAt;
};

}  // namespace

void InstallBootsOnTooltip(QWidget* widget, TooltipItemAt itemAt) {
    if (widget) widget->installEventFilter(new BootsOnTooltip(widget, std::move(itemAt)));
}

std::string BootsOnLine(const TooltipItem& item) {
    const std::string boots = BootsOnDetail(ItemBootsOn(item.folder, item.image));
    return res::FormatString(res::IDS_BOOTS_ON, boots.c_str());
}

std::string EntryBootsOnLine(const LoaderFile& loader) {
    const int count = loader.GetItemCount();
    if (count == 0) return "";  // nothing to boot yet
    if (count == 1) return BootsOnLine({loader.GetFolder(), loader.GetImageFile(0)});
    std::string each;
    bool same = true;
    std::string first;
    for (int slot = 0; slot < count; ++slot) {
        const std::string boots = BootsOnDetail(ItemBootsOn(loader.GetFolder(), loader.GetImageFile(slot)));
        if (slot == 0) first = boots;
        same = same && boots == first;
        each += (slot ? ", " : "") + std::to_string(slot + 1) + " " + boots;
    }
    return res::FormatString(res::IDS_BOOTS_ON, same ? ("every item " + first).c_str() : each.c_str());
}
