#include "platform/framework/code_page_notice.h"

#include <algorithm>

#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/ansi_text.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "res/load_string.h"
#include "res/standard_ids.h"

namespace framework {

namespace {

constexpr int kShownMs = 5000;

// "з (U+0437)": the character as the user typed it, and its name.
QString Described(char32_t code) {
    const QString name = ToQt(platform::CodePointName(code));
    if (code == 0xFFFD) return ToQt(res::LoadString(res::IDS_NOT_UTF8_BYTE));
    return QStringLiteral("\"") + QString::fromUcs4(&code, 1) + QStringLiteral("\" (") + name + QLatin1Char(')');
}

class Balloon : public QLabel {
public:
    explicit Balloon(QWidget* field) : QLabel(field, Qt::ToolTip | Qt::FramelessWindowHint), m_field(field) {
        setObjectName(QStringLiteral("codePageNotice"));
        // The title lets a test (or a screen reader) find the notice.
        setWindowTitle(ToQt(res::LoadString(res::IDS_CHARACTER_NOT_STORED)));
        setAttribute(Qt::WA_ShowWithoutActivating);
        setFocusPolicy(Qt::NoFocus);
        setTextFormat(Qt::RichText);
        setWordWrap(true);
        setMargin(DluToPixelsX(4, DialogBaseUnits()));
        setFont(DialogFont());
        setStyleSheet(QStringLiteral("QLabel { background: #FFFFE1; color: black; border: 1px solid black; }"));
        m_hide.setSingleShot(true);
        QObject::connect(&m_hide, &QTimer::timeout, this, &QWidget::hide);
    }

    void Add(const std::vector<char32_t>& missing) {
        if (!isVisible()) m_codes.clear();
        for (char32_t code : missing)
            if (std::find(m_codes.begin(), m_codes.end(), code) == m_codes.end()) m_codes.push_back(code);
        QString names;
        for (size_t i = 0; i < m_codes.size(); ++i) names += (i ? QStringLiteral(", ") : QString()) + Described(m_codes[i]);
        const QString format = ToQt(res::LoadString(m_codes.size() == 1 ? res::IDS_MISSING_CHARACTER
                                                                         : res::IDS_MISSING_CHARACTERS));
        setText(QStringLiteral("<b>") + windowTitle().toHtmlEscaped() + QStringLiteral("</b><br>") +
                format.toHtmlEscaped().replace(QStringLiteral("%s"), names.toHtmlEscaped()));
        setFixedWidth(std::max(m_field->width(), 300));
        adjustSize();
        // Below the field, its tail at the field's left edge.
        QPoint at = m_field->mapToGlobal(QPoint(0, m_field->height() + 2));
        if (QScreen* screen = m_field->screen()) {
            const QRect room = screen->availableGeometry();
            if (at.y() + height() > room.bottom()) at.setY(m_field->mapToGlobal(QPoint(0, 0)).y() - height() - 2);
            at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - width())));
        }
        move(at);
        show();
        raise();
        m_hide.start(kShownMs);
    }

protected:
    void mousePressEvent(QMouseEvent*) override { hide(); }

private:
    QWidget* m_field;
    std::vector<char32_t> m_codes;
    QTimer m_hide;
};

}  // namespace

void NoteMissingCharacters(QWidget* field, const std::vector<char32_t>& missing) {
    if (!field || missing.empty()) return;
    auto* found = field->findChild<QLabel*>(QStringLiteral("codePageNotice"), Qt::FindDirectChildrenOnly);
    Balloon* balloon = found ? static_cast<Balloon*>(found) : new Balloon(field);
    balloon->Add(missing);
}

}  // namespace framework
