// The tooltip that tells which PCs a menu item boots on ("Boots on: BIOS and
// UEFI"), read from the image file each time it is shown, so that a change
// made meanwhile (in the image viewer, say) is what it says.
#pragma once

#include <functional>
#include <optional>
#include <string>

class QPoint;
class QWidget;

// The item under a point of the widget: its image folder and image file name
// (empty: the hard drive); nullopt where there is no item.
struct TooltipItem {
    std::string folder, image;
};
using TooltipItemAt = std::function<std::optional<TooltipItem>(const QPoint&)>;

// Gives `widget` the tooltip for the items `itemAt` finds under the pointer.
void InstallBootsOnTooltip(QWidget* widget, TooltipItemAt itemAt);
