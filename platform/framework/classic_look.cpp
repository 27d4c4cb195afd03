#include "platform/framework/classic_look.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include "platform/framework/dialog_units.h"

namespace framework {

namespace {

// The "Windows Standard" colour scheme.
QPalette ClassicPalette() {
    const QColor face(212, 208, 200);
    QPalette palette;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, face);
        palette.setColor(group, QPalette::Button, face);
        palette.setColor(group, QPalette::Midlight, face);
        palette.setColor(group, QPalette::Light, Qt::white);
        palette.setColor(group, QPalette::Mid, QColor(128, 128, 128));
        palette.setColor(group, QPalette::Dark, QColor(128, 128, 128));
        palette.setColor(group, QPalette::Shadow, QColor(64, 64, 64));
        palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(group, QPalette::AlternateBase, face);
        palette.setColor(group, QPalette::WindowText, Qt::black);
        palette.setColor(group, QPalette::ButtonText, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::black);
        palette.setColor(group, QPalette::Highlight, QColor(10, 36, 106));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
        palette.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        palette.setColor(group, QPalette::ToolTipText, Qt::black);
        palette.setColor(group, QPalette::Link, QColor(0, 0, 255));
        palette.setColor(group, QPalette::LinkVisited, QColor(128, 0, 128));
    }
    // Disabled text is engraved grey; a disabled edit keeps the face colour.
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    palette.setColor(QPalette::Disabled, QPalette::Base, face);
    return palette;
}

}  // namespace

void InstallClassicLook() {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Windows"))) QApplication::setStyle(style);
    QApplication::setPalette(ClassicPalette());
    InstallDialogFont();
}

}  // namespace framework
