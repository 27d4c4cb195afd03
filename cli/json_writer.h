// A small JSON writer for the command line's --json output.
#pragma once

#include <string>
#include <vector>

namespace cli {

std::string JsonString(const std::string& text);

// Builds one JSON object from key/value pairs in order.
class JsonObject {
public:
    JsonObject& Add(const std::string& key, const std::string& value);
    JsonObject& Add(const std::string& key, const char* value) { return Add(key, std::string(value)); }
    JsonObject& Add(const std::string& key, long value);
    JsonObject& Add(const std::string& key, bool value);
    // `raw` is already JSON (an array or an object).
    JsonObject& AddRaw(const std::string& key, const std::string& raw);
    std::string Str() const { return "{" + m_body + "}"; }

private:
    void Key(const std::string& key);
    std::string m_body;
};

std::string JsonArray(const std::vector<std::string>& rawItems);

}  // namespace cli
