#include "store/sif_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "store/in_use_wait.h"

const char SifFile::kTemplate[] =
    "[OSChooser]\r\n"
    "Description = \"\"\r\n"
    "Help = \"\"\r\n"
    "LaunchFile = \"\"\r\n"
    "Version = \"\"\r\n"
    "ImageType=Flat\r\n"
    "\r\n";

namespace {

const char* SaveMessage(platform::FileError error) {
    switch (error) {
        case platform::FileError::FileNotFound: return res::LoadString(res::IDS_FILE_NOT_FOUND);
        case platform::FileError::BadPath: return res::LoadString(res::IDS_INVALID_PATH);
        case platform::FileError::AccessDenied: return res::LoadString(res::IDS_WRITE_PROTECTED);
        case platform::FileError::DiskFull: return res::LoadString(res::IDS_DISK_FULL);
        default: return res::LoadString(res::IDS_OPEN_ERROR);
    }
}

std::string Sanitize(const std::string& value) {
    std::string out = platform::WithoutControls(value);
    for (char& c : out)
        if (c == '"') c = '\'';
    return out;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

SifFile::SifFile() : m_text(kTemplate) {}

BOOL SifFile::Load(const std::string& path) {
    platform::ExclusiveFile file;
    const platform::FileError opened =
        WaitWhileInUse([&] { return file.Open(path, platform::ExclusiveFile::Mode::OpenForReading); });
    if (opened != platform::FileError::None) return FALSE;
    int64_t size = file.Size();
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    size_t got = 0;
    if (size < 0 || !file.Read(text.data(), text.size(), got)) {
        platform::AfxMessageBox(res::IDS_FILE_READ_ERROR, platform::MB_OK | platform::MB_ICONERROR);
        return FALSE;
    }
    text.resize(got);
    m_path = path;
    m_text = std::move(text);
    m_readOnly = file.IsReadOnly();
    return TRUE;
}

namespace {

BOOL Saved(platform::FileError error) {
    if (error == platform::FileError::None) return TRUE;
    platform::AfxMessageBox(SaveMessage(error), platform::MB_OK | platform::MB_ICONERROR);
    return FALSE;
}

}  // namespace

BOOL SifFile::Save() { return Saved(platform::WriteFileAtomically(m_path, m_text.data(), m_text.size())); }

BOOL SifFile::SaveIn(const platform::HeldFile& file) {
    return Saved(platform::WriteFileAtomicallyIn(file, m_text.data(), m_text.size()));
}

BOOL SifFile::SaveAs(const std::string& path) {
    m_path = path;
    return Save();
}

BOOL SifFile::SaveNew(const std::string& folder, const std::string& stem) {
    platform::HeldFolder held;
    if (platform::FileError e = platform::HoldFolder(folder, held); e != platform::FileError::None) return Saved(e);
    return SaveNewIn(held, stem);
}

BOOL SifFile::SaveNewIn(const platform::HeldFolder& folder, const std::string& stem) {
    std::string name;
    platform::FileError error = platform::CreateNewFileIn(
        folder, [&](unsigned taken) { return stem + std::string(taken, '_') + ".sif"; }, m_text.data(),
        m_text.size(), name);
    if (!Saved(error)) return FALSE;
    m_path = folder.path + name;
    m_readOnly = false;
    return TRUE;
}

size_t SifFile::FindKey(const std::string& key) const {
    if (key.empty()) return std::string::npos;
    size_t at = 0;
    while ((at = m_text.find(key, at)) != std::string::npos) {
        size_t first = at;  // blanks may stand before the name
        while (first > 0 && IsBlank(m_text[first - 1])) --first;
        bool lineStart = first == 0 || m_text[first - 1] == '\n';
        size_t p = at + key.size();
        while (p < m_text.size() && IsBlank(m_text[p])) ++p;
        if (lineStart && p < m_text.size() && m_text[p] == '=') return at;
        at += 1;
    }
    return std::string::npos;
}

std::string SifFile::GetValue(const std::string& key) const {
    size_t at = FindKey(key);
    if (at == std::string::npos) return {};
    size_t lineEnd = m_text.find('\n', at);
    if (lineEnd == std::string::npos) lineEnd = m_text.size();
    size_t open = m_text.find('"', at + key.size());
    if (open == std::string::npos || open >= lineEnd) return {};
    size_t close = m_text.find('"', open + 1);
    if (close == std::string::npos || close >= lineEnd) return {};
    return m_text.substr(open + 1, close - open - 1);
}

void SifFile::SetValue(const std::string& key, const std::string& value) {
    std::string clean = Sanitize(value);
    size_t at = FindKey(key);
    if (at == std::string::npos) {
        // A file whose last line has no line end must not swallow the new key.
        if (!m_text.empty() && m_text.back() != '\n') m_text += "\r\n";
        m_text += key + " = \"" + clean + "\"\r\n";
        return;
    }
    size_t lineEnd = m_text.find('\n', at);
    if (lineEnd == std::string::npos) lineEnd = m_text.size();
    size_t open = m_text.find('"', at + key.size());
    size_t close = open == std::string::npos ? std::string::npos : m_text.find('"', open + 1);
    if (open != std::string::npos && close != std::string::npos && close < lineEnd) {
        m_text.replace(open + 1, close - open - 1, clean);
        return;
    }
    // The key's line has no pair of quotes: give it one, on that line only.
    size_t equals = m_text.find('=', at + key.size());
    size_t valueEnd = lineEnd;
    if (valueEnd > equals + 1 && m_text[valueEnd - 1] == '\r') --valueEnd;
    m_text.replace(equals + 1, valueEnd - equals - 1, " \"" + clean + "\"");
}

std::string SifFile::EditProblem() const {
    const std::string& t = m_text;
    const bool utf16 = t.size() >= 2 && ((t[0] == '\xFF' && t[1] == '\xFE') || (t[0] == '\xFE' && t[1] == '\xFF'));
    if (utf16 || t.find('\0') != std::string::npos)
        return res::LoadString(res::IDS_SIF_NOT_TEXT);
    for (size_t line = 0; line < t.size();) {
        size_t p = line;
        while (p < t.size() && IsBlank(t[p])) ++p;
        static const char kSection[] = "[OSChooser]";
        if (t.size() - p >= sizeof kSection - 1 &&
            std::equal(kSection, kSection + sizeof kSection - 1, t.begin() + static_cast<long>(p),
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                   std::tolower(static_cast<unsigned char>(b)); }))
            return {};
        size_t next = t.find('\n', line);
        line = next == std::string::npos ? t.size() : next + 1;
    }
    return res::LoadString(res::IDS_SIF_NO_SECTION);
}

void SifFile::SetVersion(uint16_t version) {
    char text[16];
    std::snprintf(text, sizeof text, "%X.%02X", version >> 8, version & 0xFF);
    SetValue("Version", text);
}
