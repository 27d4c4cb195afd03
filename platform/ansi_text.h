// 8-bit text as the documents store it: Windows-1252 ("ANSI") bytes. The
// user interface and the command line speak Unicode; these are the only
// conversions between the two, byte for byte both ways, so that text read
// from a file and shown without an edit is stored back unchanged.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The code point a byte stands for. The five bytes Windows-1252 leaves
// undefined (81h, 8Dh, 8Fh, 90h, 9Dh) stand for the code points of the same
// value, as Windows maps them, so every byte has one.
char32_t AnsiToUnicode(unsigned char byte);
// The byte of a code point; false when the code page has none.
bool UnicodeToAnsi(char32_t code, unsigned char& byte);

// Control characters (C0: U+0000-U+001F and U+007F; C1: U+0080-U+009F)
// are never stored in a text.
inline bool IsControl(char32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }
// The same for a stored byte: 81h, 8Dh, 8Fh, 90h and 9Dh stand for C1
// controls, the other bytes from 80h to 9Fh for printable characters.
bool IsControlByte(unsigned char byte);

// Stored text for display: line breaks and tabs become blanks, other control
// characters are dropped.
std::string WithoutControls(const std::string& text);
// Stored text for a terminal or a message: control bytes are written as
// \xHH, so no stored byte can act on the terminal.
std::string EscapeControls(const std::string& text);

std::string AnsiToUtf8(const std::string& ansi);
std::string CodePointToUtf8(char32_t code);
// UTF-8 to stored bytes. Fails when the text is not UTF-8 or holds characters
// without a byte; `missing` lists those characters, each once, in order.
bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, std::vector<char32_t>* missing = nullptr);

// "U+0105" for a code point: how a character without a byte is named in
// messages shown through 8-bit text.
std::string CodePointName(char32_t code);
// The message that refuses characters without a byte in the code page.
std::string MissingCharactersMessage(const std::vector<char32_t>& missing);

}  // namespace platform
