// The one crossing between the documents' 8-bit text (Windows-1252 bytes)
// and the text of the Qt widgets. Every widget text the framework sets or
// reads goes through these, so a text shown and taken back without an edit
// keeps every byte.
#pragma once

#include <QString>
#include <string>
#include <vector>

namespace framework {

QString ToQt(const std::string& ansi);
// Characters without a byte become '?'; edits never hold any (CleanText).
std::string FromQt(const QString& text);

// Makes the text of an edit storable: line breaks and tabs become blanks,
// other control characters and characters without a byte in the code page
// are removed. Returns the characters without a byte, each once, for the
// message that names them.
std::vector<char32_t> CleanText(QString& text);

}  // namespace framework
