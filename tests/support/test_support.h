// Helpers shared by the test suites.
#pragma once

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/message_box.h"

namespace menvolt_test {

// Records every message box and answers from a script (IDOK when the script
// is empty and the box has only OK; IDNO for an unscripted question).
class ScriptedMessages : public platform::MessageSink {
public:
    ScriptedMessages() { m_previous = platform::SetMessageSink(this); }
    ~ScriptedMessages() override { platform::SetMessageSink(m_previous); }

    int Show(const platform::MessageRequest& request) override;
    void Answer(int id) { m_answers.push_back(id); }

    std::vector<platform::MessageRequest> shown;
    std::vector<std::string> Texts() const;
    bool Empty() const { return shown.empty(); }

private:
    platform::MessageSink* m_previous = nullptr;
    std::deque<int> m_answers;
};

// A fresh folder, removed (with its contents) when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// A temporary folder published as \\TESTHOST\RemInst.
class TempShare : public TempDir {
public:
    TempShare();
    ~TempShare();
    // "\\TESTHOST\RemInst\" followed by the relative Windows path.
    static std::string Unc(const std::string& relative = "");
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file);
void WriteBytes(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::filesystem::path& file);
void WriteText(const std::filesystem::path& file, const std::string& text);

}  // namespace menvolt_test
