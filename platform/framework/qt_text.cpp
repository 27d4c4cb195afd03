#include "platform/framework/qt_text.h"

#include <QList>
#include <algorithm>

#include "platform/ansi_text.h"

namespace framework {

QString ToQt(const std::string& ansi) {
    QString out;
    out.reserve(static_cast<qsizetype>(ansi.size()));
    for (char c : ansi) out += QChar(static_cast<char16_t>(platform::AnsiToUnicode(static_cast<unsigned char>(c))));
    return out;
}

std::string FromQt(const QString& text) {
    std::string out;
    for (char32_t code : text.toUcs4()) {
        unsigned char byte = '?';
        platform::UnicodeToAnsi(code, byte);
        out += static_cast<char>(byte);
    }
    return out;
}

std::vector<char32_t> CleanText(QString& text) {
    std::vector<char32_t> missing;
    QString clean;
    bool changed = false;
    for (char32_t code : text.toUcs4()) {
        unsigned char byte = 0;
        if (code == '\r' || code == '\n' || code == '\t' || code == 0x2029 || code == 0x2028) {
            clean += QLatin1Char(' ');  // QPlainTextEdit reports a paragraph break as U+2029
            changed = true;
        } else if (platform::IsControl(code)) {
            changed = true;
        } else if (!platform::UnicodeToAnsi(code, byte)) {
            if (std::find(missing.begin(), missing.end(), code) == missing.end()) missing.push_back(code);
            changed = true;
        } else {
            clean += QString::fromUcs4(&code, 1);
        }
    }
    if (changed) text = clean;
    return missing;
}

}  // namespace framework
