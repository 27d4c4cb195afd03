#include "platform/framework/dialog_units.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <cmath>

namespace framework {

namespace {

const char kTemplateFontFile[] = "/usr/share/wine/fonts/ms_sans_serif.ttf";

QFont& CachedFont() {
    static QFont font;
    return font;
}
bool& Installed() {
    static bool installed = false;
    return installed;
}

// MulDiv rounds half away from zero.
int MulDiv(int value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

}  // namespace

QFont InstallDialogFont() {
    if (Installed()) return CachedFont();
    QString family;
    int id = QFontDatabase::addApplicationFont(kTemplateFontFile);
    if (id >= 0) {
        QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) family = families.first();
    }
    QFont font(family.isEmpty() ? QStringLiteral("Liberation Sans") : family);
    // 8 points at 96 dots per inch: the 11-pixel em of the 13-pixel cell the
    // bitmap font carries. Pixel sizes keep the layout independent of the
    // screen's reported resolution.
    font.setPixelSize(11);
    font.setStyleStrategy(QFont::NoAntialias);
    CachedFont() = font;
    Installed() = true;
    if (qApp) QApplication::setFont(font);
    return font;
}

QFont DialogFont() { return Installed() ? CachedFont() : InstallDialogFont(); }

BaseUnits ComputeBaseUnits(const QFont& font) {
    QFontMetrics fm(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int total = fm.horizontalAdvance(letters);
    BaseUnits units;
    units.cx = (total / 26 + 1) / 2;
    units.cy = fm.height();
    return units;
}

BaseUnits DialogBaseUnits() {
    static BaseUnits units = ComputeBaseUnits(DialogFont());
    return units;
}

int DluToPixelsX(int dlu, const BaseUnits& units) { return MulDiv(dlu, units.cx, 4); }
int DluToPixelsY(int dlu, const BaseUnits& units) { return MulDiv(dlu, units.cy, 8); }

QRect DluRectToPixels(int x, int y, int cx, int cy, const BaseUnits& units) {
    return QRect(DluToPixelsX(x, units), DluToPixelsY(y, units), DluToPixelsX(cx, units), DluToPixelsY(cy, units));
}

}  // namespace framework
