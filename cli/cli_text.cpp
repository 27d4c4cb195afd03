#include "cli/cli_text.h"

#include "loader/layout.h"

#include <cerrno>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/ansi_text.h"

namespace cli {

std::string Shown(const std::string& stored) { return platform::AnsiToUtf8(platform::EscapeControls(stored)); }

std::string NameArgument(const std::string& argument) {
    std::string name;
    return platform::Utf8ToAnsi(argument, name) ? name : argument;
}

bool TakeText(const std::string& argument, const std::string& what, std::string& stored) {
    std::string oneLine = argument;
    for (char& c : oneLine)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    // C0 controls are single bytes in UTF-8 too; C1 ones are checked once
    // the text is in stored bytes.
    auto refuseControls = [&](const std::string& text) {
        for (char c : text) {
            if (platform::IsControlByte(static_cast<unsigned char>(c))) {
                std::fprintf(stderr, "menvolt-cli: %s holds the control character %s, which a menu text cannot hold\n",
                             what.c_str(), platform::EscapeControls(std::string(1, c)).c_str());
                return true;
            }
        }
        return false;
    };
    for (char c : oneLine)
        if (static_cast<unsigned char>(c) < 0x80 && refuseControls(std::string(1, c))) return false;
    std::vector<char32_t> missing;
    std::string converted;
    if (!platform::Utf8ToAnsi(oneLine, converted, &missing)) {
        std::string names;
        for (char32_t code : missing) {
            // The character itself, when it is one, then its code point.
            std::string glyph = code == 0xFFFD ? "" : "\"" + platform::CodePointToUtf8(code) + "\" ";
            names += (names.empty() ? "" : ", ") + glyph +
                     (code == 0xFFFD ? std::string("a byte that is not UTF-8") : "(" + platform::CodePointName(code) + ")");
        }
        std::fprintf(stderr, "menvolt-cli: %s: the menus store text in the Windows-1252 code page, which has no place for %s\n",
                     what.c_str(), names.c_str());
        return false;
    }
    if (refuseControls(converted)) return false;
    stored = converted;
    return true;
}

namespace {
bool g_helpRequested = false;
}  // namespace

void SetHelpRequested(bool requested) { g_helpRequested = requested; }
bool HelpRequested() { return g_helpRequested; }

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--") return false;
        if (a == "--help" || a == "-h") return true;
    }
    return false;
}

void DropEndOfOptions(std::vector<std::string>& args) {
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == "--") {
            args.erase(it);
            return;
        }
    }
}

bool ParseNumber(const std::string& text, unsigned long min, unsigned long max, int base, unsigned long& value) {
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, base);
    if (errno == ERANGE || !end || *end || v < min || v > max) return false;
    value = v;
    return true;
}

std::string StartText(uint16_t defaultSlot, uint16_t timeout, int first) {
    std::string item = "item " + std::to_string(defaultSlot + first);
    if (timeout == 0) return item + ", waits for a key";
    std::string shown = std::to_string(timeout);
    if (timeout > layout::LDR_TIMEOUT_MAX)
        shown = std::to_string(layout::LDR_TIMEOUT_MAX) + " (stored " + shown + ", counted as " +
                std::to_string(layout::LDR_TIMEOUT_MAX) + ")";
    return item + " after " + shown + " s";
}

const char kForeignClient[] =
    "the loader file carries another client program than ours, so its start item and timeout are "
    "only shown, never changed";

std::string PadToColumns(const std::string& utf8, size_t columns) {
    size_t characters = 0;
    for (unsigned char byte : utf8) characters += (byte & 0xC0) != 0x80;  // continuation bytes do not count
    return characters >= columns ? utf8 : utf8 + std::string(columns - characters, ' ');
}

std::string CountOf(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace cli
