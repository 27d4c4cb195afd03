#include "fat_names.h"

#include <cstring>

namespace imagelib {
namespace {

bool ValidShortChar(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return true;
    if (c >= '0' && c <= '9') return true;
    if (c >= 128) return true;  // code-page characters are stored as they come
    return std::strchr("!#$%&'()-@^_`{}~", c) != nullptr && c != 0;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool ParseShortName(const std::string& name, ShortName& out, std::string* reason) {
    auto fail = [&](const char* why) {
        if (reason) *reason = why;
        return false;
    };
    if (name.empty()) return fail("The name is empty.");
    if (name == "." || name == "..") return fail("\".\" and \"..\" are reserved names.");
    const size_t dot = name.find('.');
    if (dot != std::string::npos && name.find('.', dot + 1) != std::string::npos)
        return fail("A name may hold only one dot.");
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty()) return fail("The name before the dot is empty.");
    if (base.size() > 8) return fail("The name may have at most 8 characters before the dot.");
    if (ext.size() > 3) return fail("The extension may have at most 3 characters.");
    for (char c : name) {
        if (c == '.') continue;
        if (!ValidShortChar(static_cast<unsigned char>(Upper(c))))
            return fail("The name holds a character that short file names cannot hold.");
    }
    out.fill(' ');
    for (size_t i = 0; i < base.size(); ++i) out[i] = Upper(base[i]);
    for (size_t i = 0; i < ext.size(); ++i) out[8 + i] = Upper(ext[i]);
    // A first byte of E5h marks a deleted entry; such names are stored as 05h.
    if (static_cast<unsigned char>(out[0]) == 0xE5) out[0] = 0x05;
    return true;
}

std::string FormatShortName(const ShortName& raw) {
    std::string base(raw.data(), 8), ext(raw.data() + 8, 3);
    if (!base.empty() && base[0] == 0x05) base[0] = static_cast<char>(0xE5);
    while (!base.empty() && base.back() == ' ') base.pop_back();
    while (!ext.empty() && ext.back() == ' ') ext.pop_back();
    return ext.empty() ? base : base + "." + ext;
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
        for (char c : part) {
            if (c == ' ' || c == '.') continue;  // blanks and extra dots are dropped
            char u = Upper(c);
            s += ValidShortChar(static_cast<unsigned char>(u)) ? u : '_';
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
        std::string candidate = ext.empty() ? b : b + "." + ext;
        if (!taken(candidate)) return candidate;
    }
    return {};
}

}  // namespace imagelib
