#include "ui/common/client_screen_view.h"

#include <QFontDatabase>
#include <QPainter>

namespace {

QColor Colour(int index) { return QColor::fromRgb(VgaColour(index)); }

const char kTextFontFile[] = "/usr/share/fonts/opentype/terminus/terminus-normal.otb";

// The face of the text screen: Terminus, a bitmap font whose 16-pixel strike
// has the VGA's 8 x 16 cell and the box-drawing glyphs of code page 437; else
// a monospaced outline face squeezed into the cell.
QString TextFontFamily() {
    static const QString family = [] {
        int id = QFontDatabase::addApplicationFont(QString::fromLatin1(kTextFontFile));
        QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

}  // namespace

ClientScreenView::ClientScreenView(QWidget* parent, int cellWidth, int cellHeight)
    : QWidget(parent), m_cellWidth(cellWidth), m_cellHeight(cellHeight) {
    setFixedSize(ClientScreen::kColumns * cellWidth, ClientScreen::kRows * cellHeight);
    setToolTip(QStringLiteral("How the client shows this menu"));
}

void ClientScreenView::SetScreen(const ClientScreen& screen) {
    if (screen.cells == m_screen.cells) return;
    m_screen = screen;
    update();
}

QImage ClientScreenView::Render() const {
    QImage image(ClientScreen::kColumns * m_cellWidth, ClientScreen::kRows * m_cellHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    Draw(painter);
    return image;
}

void ClientScreenView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Draw(painter);
}

void ClientScreenView::Draw(QPainter& painter) const {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QString bitmapFamily = TextFontFamily();
    if (!bitmapFamily.isEmpty() && m_cellWidth == 8 && m_cellHeight == 16) {
        font.setFamily(bitmapFamily);
        font.setPixelSize(16);
        font.setStyleStrategy(QFont::NoAntialias);
    } else {
        // The cell keeps the text screen's 1:2 shape.
        font.setFamily(QStringLiteral("DejaVu Sans Mono"));
        font.setStyleHint(QFont::Monospace);
        font.setPixelSize(std::max(4, m_cellHeight));
        font.setStretch(std::clamp(100 * m_cellWidth * 2 / std::max(1, m_cellHeight), 25, 400) * 100 / 120);
    }
    painter.setFont(font);
    for (int r = 0; r < ClientScreen::kRows; ++r) {
        for (int c = 0; c < ClientScreen::kColumns; ++c) {
            const ScreenCell& cell = m_screen.cells[r][c];
            QRect box(c * m_cellWidth, r * m_cellHeight, m_cellWidth, m_cellHeight);
            // Bit 7 is the blink bit in the default text mode: only three
            // bits of background colour show.
            painter.fillRect(box, Colour((cell.attr >> 4) & 7));
            if (cell.ch == ' ' || cell.ch == 0) continue;
            painter.setPen(Colour(cell.attr & 15));
            char32_t code = Cp437ToUnicode(cell.ch);
            painter.drawText(box, Qt::AlignCenter, QString::fromUcs4(&code, 1));
        }
    }
}
