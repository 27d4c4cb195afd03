#include "ui/common/start_summary.h"

#include <QLabel>
#include <algorithm>

#include "loader/client_screen.h"
#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/dialog.h"
#include "platform/framework/dialog_units.h"

const char kStartButtonText[] = "&Start...";

std::string StartSummary(const LoaderFile& loader) {
    if (!loader.HasOwnClient()) return "Start: as this loader file's own client program decides";
    if (loader.GetItemCount() < 2) return "A single item starts at once, without a menu";
    // A larger stored count is clamped, as the client counts it.
    const unsigned seconds = std::min<unsigned>(loader.GetTimeout(), layout::LDR_TIMEOUT_MAX);
    if (seconds == 0) return "Waits for a key";
    return "Starts item " + std::to_string(StartRow(loader) + 1) + " after " + std::to_string(seconds) +
           (seconds == 1 ? " second" : " seconds");
}

QLabel* AddTextLine(framework::CDialog& dialog, int x, int y, int cx, int cy) {
    auto* label = new QLabel(dialog.Window());
    label->setGeometry(framework::DluRectToPixels(x, y, cx, cy, dialog.Units()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->show();
    return label;
}
