// The dialog font and the dialog base units that turn template coordinates
// into pixels, computed the way Windows computes them so that a layout looks
// as its template says: horizontal unit = average width of the 52 letters,
// vertical unit = character cell height of the template font.
#pragma once

#include <QFont>
#include <QRect>

namespace framework {

struct BaseUnits {
    int cx = 6;
    int cy = 13;
};

// Loads the template font (MS Sans Serif 8, from the bitmap font that ships
// with the wine fonts) and makes it the application font, so message boxes
// use it too. Falls back to Liberation Sans at the same size. Call once after
// the QApplication exists; later calls return the same font.
QFont InstallDialogFont();
QFont DialogFont();

BaseUnits ComputeBaseUnits(const QFont& font);
BaseUnits DialogBaseUnits();

// Rounded like MulDiv: value * cx / 4 and value * cy / 8.
int DluToPixelsX(int dlu, const BaseUnits& units);
int DluToPixelsY(int dlu, const BaseUnits& units);
QRect DluRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units);

}  // namespace framework
