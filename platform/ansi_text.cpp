#include "platform/ansi_text.h"

#include <algorithm>
#include <cstdio>

#include "common/utf8.h"
#include "res/load_string.h"
#include "res/standard_ids.h"

namespace platform {

using common::AppendUtf8;
using common::DecodeUtf8;

namespace {

// 80h-9Fh, the only part of Windows-1252 that differs from ISO 8859-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

char32_t AnsiToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

bool UnicodeToAnsi(char32_t code, unsigned char& byte) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        byte = static_cast<unsigned char>(code);
        return true;
    }
    for (unsigned i = 0; i < 32; ++i) {
        if (kHigh[i] == code) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

bool IsControlByte(unsigned char byte) { return IsControl(AnsiToUnicode(byte)); }

std::string WithoutControls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t') out += ' ';
        else if (!IsControlByte(static_cast<unsigned char>(c))) out += c;
    }
    return out;
}

std::string EscapeControls(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (IsControlByte(static_cast<unsigned char>(c))) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\x%02X", static_cast<unsigned char>(c));
            out += buffer;
        } else {
            out += c;
        }
    }
    return out;
}

std::string CodePointToUtf8(char32_t code) {
    std::string out;
    AppendUtf8(out, code);
    return out;
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi) AppendUtf8(out, AnsiToUnicode(static_cast<unsigned char>(c)));
    return out;
}

bool Utf8ToAnsi(const std::string& utf8, std::string& ansi, std::vector<char32_t>* missing) {
    std::string out;
    bool ok = true;
    for (size_t at = 0; at < utf8.size();) {
        char32_t code = 0;
        if (!DecodeUtf8(utf8, at, code)) {
            code = 0xFFFD;  // stands for the malformed byte in the message
            ++at;
        }
        unsigned char byte = 0;
        if (code != 0xFFFD && UnicodeToAnsi(code, byte)) {
            out += static_cast<char>(byte);
            continue;
        }
        ok = false;
        if (missing && std::find(missing->begin(), missing->end(), code) == missing->end()) missing->push_back(code);
    }
    if (ok) ansi = std::move(out);
    return ok;
}

std::string CodePointName(char32_t code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(code));
    return buffer;
}

std::string MissingCharactersMessage(const std::vector<char32_t>& missing) {
    std::string names;
    for (size_t i = 0; i < missing.size(); ++i) {
        if (i) names += ", ";
        names += missing[i] == 0xFFFD ? std::string(res::LoadString(res::IDS_NOT_UTF8_BYTE)) : CodePointName(missing[i]);
    }
    return res::FormatString(missing.size() == 1 ? res::IDS_MISSING_CHARACTER : res::IDS_MISSING_CHARACTERS,
                             names.c_str());
}

}  // namespace platform
