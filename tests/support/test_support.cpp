#include "tests/support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace menvolt_test {

int ScriptedMessages::Show(const platform::MessageRequest& request) {
    shown.push_back(request);
    if (!m_answers.empty()) {
        int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    switch (request.style & platform::MB_BUTTON_MASK) {
        case platform::MB_YESNO: return IDNO;
        case platform::MB_OKCANCEL: return IDCANCEL;
        default: return IDOK;
    }
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> texts;
    for (const auto& r : shown) texts.push_back(r.text);
    return texts;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "menvolt-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Read-only files made by a test must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

TempShare::TempShare() { platform::MapShare("TESTHOST", "RemInst", path()); }

TempShare::~TempShare() { platform::ClearMappings(); }

std::string TempShare::Unc(const std::string& relative) { return "\\\\TESTHOST\\RemInst\\" + relative; }

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
}

}  // namespace menvolt_test
