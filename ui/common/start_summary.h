// What the Submenu page and the wizard's item pages say of a menu's
// unattended start, and the button that changes it, so that nobody has to
// look for the countdown under Appearance.
#pragma once

#include <string>

class LoaderFile;
class QLabel;
class QWidget;

namespace framework {
class CDialog;
}

// The button the Submenu page and the wizard add; it opens the Unattended
// Start dialog.
enum : int { IDC_START_CHANGE = 1091 };
extern const char kStartButtonText[];

// "Waits for a key", "Starts item N after S seconds", or why neither applies
// (a single item starts at once; another client program's words mean what
// that program makes of them).
std::string StartSummary(const LoaderFile& loader);

// A one-line text of `dialog` at a place in dialog units; it takes no focus.
QLabel* AddTextLine(framework::CDialog& dialog, int x, int y, int cx, int cy = 8);
