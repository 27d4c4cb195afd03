// SifFile: the OSChooser document, the whole text of one ".sif" file. Values
// of named keys are read and replaced in place; every other byte of the file
// stays as it was.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"

namespace platform {
struct HeldFile;
struct HeldFolder;
}  // namespace platform

class SifFile {
public:
    // A new document holding the OSChooser template, with no path.
    SifFile();

    // Reads a whole file through an exclusive open (a file this user may
    // only read is read all the same and marked read-only). Silent when the
    // file cannot be opened; a read error after the open shows its message.
    // On failure the document is left as it was.
    BOOL Load(const std::string& path);
    bool IsReadOnly() const { return m_readOnly; }
    // Writes the text; shows a message and returns FALSE on failure, leaving
    // the file on disk as it was.
    BOOL Save();
    BOOL SaveAs(const std::string& path);
    // Creates a new file in `folder` (ending with a backslash) named stem +
    // ".sif", or with "_" added to the stem while that name is taken, even
    // by a writer at the same moment; shows a message and returns FALSE on
    // failure, leaving no file behind.
    BOOL SaveNew(const std::string& folder, const std::string& stem);
    // The same through a folder held by the change they are part of.
    BOOL SaveIn(const platform::HeldFile& file);
    BOOL SaveNewIn(const platform::HeldFolder& folder, const std::string& stem);

    // A key is the name at the start of a line (after optional blanks),
    // followed by optional blanks and "="; its value is the text between the next pair of double quotes
    // on that line. Absent keys and keys without quotes read as "".
    std::string GetValue(const std::string& key) const;
    // Double quotes in the value become apostrophes, line breaks and tabs
    // become blanks and other control characters are dropped, since the
    // format has no escape for them. (The pages and the command line refuse
    // a double quote before it gets here.)
    void SetValue(const std::string& key, const std::string& value);
    void SetVersion(uint16_t version);

    // Why the document must not be edited and saved, or "" when it may: a
    // file that is not 8-bit text (NUL bytes, a UTF-16 byte-order mark) or
    // has no [OSChooser] section would only be made worse by added keys.
    std::string EditProblem() const;

    std::string GetDescription() const { return GetValue("Description"); }
    std::string GetHelp() const { return GetValue("Help"); }
    std::string GetLaunchFile() const { return GetValue("LaunchFile"); }

    const std::string& GetText() const { return m_text; }
    const std::string& GetPath() const { return m_path; }

    static const char kTemplate[];

private:
    // Position of the key's name at the start of its line, or npos.
    size_t FindKey(const std::string& key) const;

    std::string m_path;
    std::string m_text;
    bool m_readOnly = false;
};
