// Fuzzes SifFile: arbitrary file text with arbitrary keys and values. A value
// that was set must read back (quotes and control characters replaced), and a saved
// document must load back byte for byte.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "store/sif_file.h"

namespace {

std::string Folder() {
    static std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "menvolt-fuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) abort();
        platform::MapDrive('F', tmpl);
        return tmpl;
    }();
    return folder;
}

void Check(bool condition) {
    if (!condition) abort();
}

bool PlainKey(const std::string& key) {
    if (key.empty()) return false;
    for (char c : key)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    // Input: file text, then "\x01" key "\x01" value.
    size_t a = input.find('\x01');
    size_t b = a == std::string::npos ? std::string::npos : input.find('\x01', a + 1);
    std::string text = input.substr(0, a);
    std::string key = a == std::string::npos ? "Description" : input.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
    std::string value = b == std::string::npos ? "value" : input.substr(b + 1);

    std::string folder = Folder();
    {
        std::ofstream out(folder + "/in.sif", std::ios::binary | std::ios::trunc);
        out << text;
    }
    SifFile sif;
    Check(sif.Load("F:\\in.sif"));
    Check(sif.GetText() == text);
    sif.GetValue(key);
    sif.GetDescription();
    sif.SetValue(key, value);
    if (PlainKey(key)) {
        std::string expected = platform::WithoutControls(value);
        for (char& c : expected)
            if (c == '"') c = '\'';
        Check(sif.GetValue(key) == expected);
    }
    Check(sif.SaveAs("F:\\out.sif"));
    SifFile again;
    Check(again.Load("F:\\out.sif"));
    Check(again.GetText() == sif.GetText());
    return 0;
}
