// A picture of the client's text screen: the cells of a ClientScreen in the
// 16 VGA colours, each character drawn with its code-page-437 glyph in an
// 8 x 16 bitmap font like the VGA's own (Terminus, when installed).
#pragma once

#include <QWidget>

#include "loader/client_screen.h"

class ClientScreenView : public QWidget {
public:
    // `cellWidth` x `cellHeight` pixels per character cell.
    explicit ClientScreenView(QWidget* parent, int cellWidth = 8, int cellHeight = 16);

    void SetScreen(const ClientScreen& screen);
    const ClientScreen& Screen() const { return m_screen; }
    // The whole screen at the view's scale.
    QImage Render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Draw(QPainter& painter) const;

    ClientScreen m_screen;
    int m_cellWidth;
    int m_cellHeight;
};
