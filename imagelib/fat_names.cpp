#include "imagelib/fat_names.h"

#include <cstring>
#include <vector>

#include "common/utf8.h"

namespace imagelib {
namespace {

// Code page 437, the OEM code page short names are stored in: the code point
// of each byte from 80h, and the upper case DOS gives each (letters without
// an upper-case form of their own lose their accent, as on DOS).
constexpr char16_t kOem437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};
constexpr unsigned char kOemUpper[128] = {
    0x80, 0x9A, 0x90, 0x41, 0x8E, 0x41, 0x8F, 0x80, 0x45, 0x45, 0x45, 0x49, 0x49, 0x49, 0x8E, 0x8F,
    0x90, 0x92, 0x92, 0x4F, 0x99, 0x4F, 0x55, 0x55, 0x59, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,
    0x41, 0x49, 0x4F, 0x55, 0xA5, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

unsigned char UpperOem(unsigned char c) {
    if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 'a' + 'A');
    return c >= 0x80 ? kOemUpper[c - 0x80] : c;
}

// The OEM byte of a code point; false when code page 437 has none.
bool ToOem(char32_t code, unsigned char& byte) {
    if (code < 0x80) {
        byte = static_cast<unsigned char>(code);
        return true;
    }
    for (unsigned i = 0; i < 128; ++i) {
        if (kOem437[i] == code) {
            byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    }
    return false;
}

// Names arrive as host text (UTF-8). Each character becomes its upper-cased
// OEM byte; -1 stands for a character the code page cannot hold (or a byte
// that is not UTF-8), and blanks and dots stay as they are.
std::vector<int> ToOemName(const std::string& name) {
    std::vector<int> out;
    for (size_t at = 0; at < name.size();) {
        char32_t code = 0;
        bool ok = common::DecodeUtf8(name, at, code);
        if (!ok) ++at;
        unsigned char byte = 0;
        out.push_back(ok && ToOem(code, byte) ? UpperOem(byte) : -1);
    }
    return out;
}

// A character a short name may hold, given as its upper-cased OEM byte.
bool ValidShortChar(int c) {
    if (c < 0) return false;
    if (c >= 'A' && c <= 'Z') return true;
    if (c >= '0' && c <= '9') return true;
    if (c >= 128) return true;  // the code page's own characters
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

// Stored OEM bytes as host text.
std::string OemToUtf8(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        unsigned char b = static_cast<unsigned char>(c);
        common::AppendUtf8(out, b < 0x80 ? b : kOem437[b - 0x80]);
    }
    return out;
}

}  // namespace

bool ParseShortName(const std::string& name, ShortName& out, std::string* reason) {
    auto fail = [&](const char* why) {
        if (reason) *reason = why;
        return false;
    };
    if (name.empty()) return fail("The name is empty.");
    if (name == "." || name == "..") return fail("\".\" and \"..\" are reserved names.");
    const std::vector<int> oem = ToOemName(name);
    std::vector<int> base, ext;
    int dots = 0;
    for (int c : oem) {
        if (c == '.') {
            if (++dots > 1) return fail("A name may hold only one dot.");
            continue;
        }
        (dots ? ext : base).push_back(c);
    }
    if (base.empty()) return fail("The name before the dot is empty.");
    if (base.size() > 8) return fail("The name may have at most 8 characters before the dot.");
    if (ext.size() > 3) return fail("The extension may have at most 3 characters.");
    for (int c : oem) {
        if (c < 0) return fail("The name holds a character that the short names' code page (437) cannot hold.");
        if (c != '.' && !ValidShortChar(c)) return fail("The name holds a character that short file names cannot hold.");
    }
    out.fill(' ');
    for (size_t i = 0; i < base.size(); ++i) out[i] = static_cast<char>(base[i]);
    for (size_t i = 0; i < ext.size(); ++i) out[8 + i] = static_cast<char>(ext[i]);
    // A first byte of E5h marks a deleted entry; such names are stored as 05h.
    if (static_cast<unsigned char>(out[0]) == 0xE5) out[0] = 0x05;
    return true;
}

std::string FormatShortName(const ShortName& raw) {
    std::string base(raw.data(), 8), ext(raw.data() + 8, 3);
    if (!base.empty() && base[0] == 0x05) base[0] = static_cast<char>(0xE5);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    while (!ext.empty() && ext.back() == ' ') ext.pop_back();
    return OemToUtf8(ext.empty() ? base : base + "." + ext);
}

std::string MapToShortName(const std::string& hostName,
                           const std::function<bool(const std::string&)>& taken) {
    ShortName parsed;
    if (ParseShortName(hostName, parsed)) {
        std::string exact = FormatShortName(parsed);
        if (!taken(exact)) return exact;
    }
    auto clean = [](const std::string& part) {
        std::string s;
        for (int c : ToOemName(part)) {
            if (c == ' ' || c == '.') continue;  // blanks and extra dots are dropped
            s += ValidShortChar(c) ? static_cast<char>(c) : '_';
        }
        return s;
    };
    // Leading dots (hidden host files) do not start an extension.
    size_t start = hostName.find_first_not_of('.');
    std::string trimmed = start == std::string::npos ? "" : hostName.substr(start);
    const size_t dot = trimmed.rfind('.');
    std::string base = clean(dot == std::string::npos ? trimmed : trimmed.substr(0, dot));
    std::string ext = dot == std::string::npos ? "" : clean(trimmed.substr(dot + 1));
    if (base.empty()) base = "FILE";
    if (ext.size() > 3) ext.resize(3);
    for (int n = 1; n < 1000000; ++n) {
        const std::string tail = "~" + std::to_string(n);
        std::string b = base.substr(0, 8 - tail.size()) + tail;
        std::string candidate = OemToUtf8(ext.empty() ? b : b + "." + ext);
        if (!taken(candidate)) return candidate;
    }
    return {};
}

}  // namespace imagelib
