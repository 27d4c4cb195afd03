#include "store/half_done.h"

#include <cctype>
#include <cstddef>

namespace {

constexpr char kPrefix[] = ".menvolt-half-done.";
constexpr char kSuffix[] = ".note";

std::string NoteName(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return kPrefix + (cut == std::string::npos ? path : path.substr(cut + 1)) + kSuffix;
}

bool Note(const platform::HeldFile& file, const void* data, size_t size) {
    platform::HeldFile note;
    return platform::HoldFileBeside(file, NoteName(file.path), note) == platform::FileError::None &&
           platform::WriteFileAtomicallyIn(note, data, size) == platform::FileError::None;
}

bool IsSifName(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".sif";
}

}  // namespace

bool NoteLoaderLeft(const platform::HeldFile& loader) { return Note(loader, "", 0); }

bool NoteEditToUndo(const platform::HeldFile& sif, const std::vector<uint8_t>& before) {
    return Note(sif, before.data(), before.size());
}

void ForgetHalfDone(const platform::HeldFile& file) {
    platform::HeldFile note;
    if (platform::HoldFileBeside(file, NoteName(file.path), note) == platform::FileError::None)
        platform::RemoveFileIn(note);
}

std::string HalfDoneNoteText(bool noted) {
    return noted ? "\"menvolt-cli verify\" reports it, and \"verify --clean\" settles it."
                 : "No note of it could be left for \"menvolt-cli verify\".";
}

std::vector<HalfDoneNote> FindHalfDoneNotes(const std::string& folder) {
    std::vector<HalfDoneNote> notes;
    const std::string prefix(kPrefix), suffix(kSuffix);
    for (const platform::FindData& d : platform::ListMatches(folder + prefix + "*" + suffix)) {
        if (d.isDirectory || d.name.size() <= prefix.size() + suffix.size()) continue;
        const std::string name = d.name.substr(prefix.size(), d.name.size() - prefix.size() - suffix.size());
        notes.push_back({folder + d.name, folder + name, IsSifName(name)});
    }
    return notes;
}

std::string SettleHalfDone(const HalfDoneNote& note, bool loaderNamed, bool keepEdit) {
    platform::FileError e = platform::FileError::None;
    if (note.putBack && !keepEdit) {
        const platform::ReadResult before = platform::ReadWholeFile(note.note, SIZE_MAX);
        e = before.error;
        if (e == platform::FileError::None)
            e = platform::WriteFileAtomically(note.file, before.bytes.data(), before.bytes.size());
    } else if (!note.putBack && !loaderNamed) {
        e = platform::RemoveFile(note.file);
        if (e == platform::FileError::FileNotFound) e = platform::FileError::None;  // already gone
    }
    if (e == platform::FileError::None) e = platform::RemoveFile(note.note);
    return e == platform::FileError::None ? "" : platform::FileErrorName(e);
}
