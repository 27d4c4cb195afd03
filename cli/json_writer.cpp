#include "cli/json_writer.h"

#include <cstdio>

#include "platform/ansi_text.h"

namespace cli {

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    // Stored text is Windows-1252: each byte is written as the
                    // code point it stands for, control bytes included.
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(platform::AnsiToUnicode(c)));
                    out += buffer;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

void JsonObject::Key(const std::string& key) {
    if (!m_body.empty()) m_body += ",";
    m_body += JsonString(key) + ":";
}

JsonObject& JsonObject::Add(const std::string& key, const std::string& value) {
    Key(key);
    m_body += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Add(const std::string& key, long value) {
    Key(key);
    m_body += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Add(const std::string& key, bool value) {
    Key(key);
    m_body += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::AddRaw(const std::string& key, const std::string& raw) {
    Key(key);
    m_body += raw;
    return *this;
}

std::string JsonArray(const std::vector<std::string>& rawItems) {
    std::string out = "[";
    for (size_t i = 0; i < rawItems.size(); ++i) out += (i ? "," : "") + rawItems[i];
    return out + "]";
}

}  // namespace cli
