// Which PCs a menu item boots on ("Boots on: BIOS and UEFI"), as a tooltip
// and as a line of text for those who use the keyboard; read from the image
// file each time it is shown, so that a change made meanwhile (in the image
// viewer, say) is what it says.
#pragma once

#include <functional>
#include <optional>
#include <string>

class LoaderFile;
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

// "Boots on: ..." of one item.
std::string BootsOnLine(const TooltipItem& item);
// The same of a whole entry: its item's, or for a submenu each item's by
// number ("Boots on: 1 BIOS, 2 UEFI"), in short when all items agree.
std::string EntryBootsOnLine(const LoaderFile& loader);
