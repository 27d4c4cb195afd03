#include "platform/framework/classic_message_box.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "platform/framework/dialog.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/win_app.h"

namespace framework {

namespace {

constexpr int kIconSide = 32;

// A speech balloon with a tail at its lower left, the frame of the
// information and question icons.
QPainterPath Balloon() {
    QPainterPath path;
    path.addEllipse(QRectF(1.5, 1.5, 29, 24));
    QPainterPath tail;
    tail.moveTo(7, 20);
    tail.lineTo(5, 30.5);
    tail.lineTo(15, 24);
    tail.closeSubpath();
    return path.united(tail);
}

void DrawGlyph(QPainter& painter, const QRectF& box, const QString& glyph, const QColor& colour, int pixelSize) {
    QFont font(QStringLiteral("Liberation Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box, Qt::AlignCenter, glyph);
}

}  // namespace

QPixmap ClassicMessageIcon(unsigned iconStyle) {
    const unsigned icon = iconStyle & platform::MB_ICON_MASK;
    if (icon == 0) return {};
    QPixmap pixmap(kIconSide, kIconSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen outline(Qt::black, 1);
    switch (icon) {
        case platform::MB_ICONERROR: {
            // A red disc with a white cross.
            painter.setPen(QPen(QColor(128, 0, 0), 1));
            painter.setBrush(QColor(255, 0, 0));
            painter.drawEllipse(QRectF(1.5, 1.5, 29, 29));
            painter.setPen(QPen(Qt::white, 3.5, Qt::SolidLine, Qt::FlatCap));
            painter.drawLine(QPointF(10, 10), QPointF(22, 22));
            painter.drawLine(QPointF(22, 10), QPointF(10, 22));
            break;
        }
        case platform::MB_ICONWARNING: {
            // A yellow triangle with a black exclamation mark.
            QPolygonF triangle({QPointF(16, 1.5), QPointF(30.5, 29.5), QPointF(1.5, 29.5)});
            painter.setPen(outline);
            painter.setBrush(QColor(255, 255, 0));
            painter.drawPolygon(triangle);
            DrawGlyph(painter, QRectF(0, 7, 32, 24), QStringLiteral("!"), Qt::black, 20);
            break;
        }
        case platform::MB_ICONINFORMATION:
        case platform::MB_ICONQUESTION: {
            // A white balloon with a blue letter.
            painter.setPen(outline);
            painter.setBrush(Qt::white);
            painter.drawPath(Balloon());
            const bool question = icon == platform::MB_ICONQUESTION;
            DrawGlyph(painter, QRectF(0, 1, 32, 25), question ? QStringLiteral("?") : QStringLiteral("i"),
                      QColor(0, 0, 255), question ? 20 : 19);
            break;
        }
        default: return {};
    }
    return pixmap;
}

ClassicMessageBox::ClassicMessageBox(const platform::MessageRequest& request, QWidget* owner)
    : QDialog(owner), m_style(request.style), m_helpContext(request.helpContext) {
    const unsigned buttons = request.style & platform::MB_BUTTON_MASK;
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint;
    // A Yes/No box cannot be closed other than by its buttons.
    if (buttons != platform::MB_YESNO) flags |= Qt::WindowCloseButtonHint;
    setWindowFlags(flags);
    setWindowTitle(ToQt(request.caption));
    setFont(DialogFont());

    const BaseUnits units = DialogBaseUnits();
    const int margin = DluToPixelsX(7, units);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margin + 4, margin + 4, margin + 4, margin);
    layout->setSpacing(margin + 4);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    auto* row = new QHBoxLayout;
    row->setSpacing(margin + 4);
    QPixmap icon = ClassicMessageIcon(request.style);
    if (!icon.isNull()) {
        auto* iconLabel = new QLabel(this);
        iconLabel->setObjectName(QStringLiteral("icon"));
        iconLabel->setPixmap(icon);
        iconLabel->setFixedSize(icon.size());
        row->addWidget(iconLabel, 0, Qt::AlignTop);
    }
    auto* text = new QLabel(ToQt(request.text), this);
    text->setObjectName(QStringLiteral("text"));
    text->setTextFormat(Qt::PlainText);
    // Long lines wrap at about five eighths of the screen, as on Windows.
    int widest = 480;
    if (QScreen* screen = owner ? owner->screen() : nullptr) widest = std::max(300, screen->geometry().width() * 5 / 8);
    if (text->sizeHint().width() > widest) {
        text->setWordWrap(true);
        text->setFixedWidth(widest);
    }
    row->addWidget(text, 1, Qt::AlignVCenter);
    layout->addLayout(row);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->setSpacing(DluToPixelsX(4, units));
    buttonRow->addStretch(1);
    auto add = [&](int answer, const char* label) {
        auto* button = new QPushButton(QString::fromLatin1(label), this);
        button->setFixedSize(DluToPixelsX(50, units), DluToPixelsY(14, units));
        button->setAutoDefault(true);
        PressMnemonicAtOnce(button);
        connect(button, &QPushButton::clicked, this, [this, answer] { done(answer); });
        buttonRow->addWidget(button);
        m_buttons.emplace_back(answer, button);
    };
    switch (buttons) {
        case platform::MB_YESNO:
            add(IDYES, "&Yes");
            add(IDNO, "&No");
            break;
        case platform::MB_OKCANCEL:
            add(IDOK, "OK");
            add(IDCANCEL, "Cancel");
            break;
        default: add(IDOK, "OK"); break;
    }
    if (request.style & platform::MB_HELP) {
        // Help opens the topic beside the box and leaves the box open.
        auto* help = new QPushButton(QStringLiteral("Help"), this);
        help->setFixedSize(DluToPixelsX(50, units), DluToPixelsY(14, units));
        help->setAutoDefault(false);
        connect(help, &QPushButton::clicked, this, [this] { ShowHelp(m_helpContext); });
        buttonRow->addWidget(help);
    }
    buttonRow->addStretch(1);
    layout->addLayout(buttonRow);
    // The first button is the default one and has the focus.
    m_buttons.front().second->setDefault(true);
    m_buttons.front().second->setFocus(Qt::OtherFocusReason);
}

QPushButton* ClassicMessageBox::Button(int answer) const {
    for (auto& [id, button] : m_buttons)
        if (id == answer) return button;
    return nullptr;
}

int ClassicMessageBox::Run() { return exec(); }

void ClassicMessageBox::reject() {
    switch (m_style & platform::MB_BUTTON_MASK) {
        case platform::MB_YESNO: return;  // there is no Cancel to give
        case platform::MB_OKCANCEL: done(IDCANCEL); return;
        default: done(IDOK); return;
    }
}

void ClassicMessageBox::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            auto* focused = qobject_cast<QPushButton*>(focusWidget());
            if (!focused) focused = m_buttons.front().second;
            focused->click();
            return;
        }
        if (event->key() == Qt::Key_Escape) {
            reject();
            return;
        }
        if (event->key() == Qt::Key_F1 && (m_style & platform::MB_HELP)) {
            ShowHelp(m_helpContext);
            return;
        }
    }
    // A button's mnemonic letter presses it, with or without Alt.
    if ((mods == Qt::NoModifier || mods == Qt::AltModifier) && !event->text().isEmpty()) {
        const QChar letter = event->text().at(0).toLower();
        for (auto& [id, button] : m_buttons) {
            const QString label = button->text();
            const qsizetype amp = label.indexOf(QLatin1Char('&'));
            if (amp >= 0 && amp + 1 < label.size() && label.at(amp + 1).toLower() == letter) {
                button->click();
                return;
            }
        }
    }
    QDialog::keyPressEvent(event);
}

}  // namespace framework
