// Notes left by a change that could be neither finished nor undone, so that
// `verify` finds it afterwards and `verify --clean` takes it the rest of the
// way. A note lies beside the file it is about, under a name the server
// never lists (".menvolt-half-done.<name>.note"):
//  - beside a loader file, empty: a create that could not remove its loader
//    again, or a removal that could not remove it, left it named by no
//    entry; cleaning removes it (undoing the create, finishing the removal);
//  - beside an OSChooser file, holding that file's bytes from before an edit
//    whose loader could not be written; cleaning puts them back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_system.h"

// Leaves the note; false when even that could not be written.
bool NoteLoaderLeft(const platform::HeldFile& loader);
bool NoteEditToUndo(const platform::HeldFile& sif, const std::vector<uint8_t>& before);

// Drops the note beside a file that a later change wrote whole: nothing is
// left to settle, and putting old bytes back would undo that change.
void ForgetHalfDone(const platform::HeldFile& file);

// The text a half-done message ends with: where the note went, or that none
// could be left.
std::string HalfDoneNoteText(bool noted);

struct HalfDoneNote {
    std::string note;  // the note's path
    std::string file;  // the path of the file it is about
    bool putBack = false;  // beside an OSChooser file: its old bytes
};
// The notes in a folder.
std::vector<HalfDoneNote> FindHalfDoneNotes(const std::string& folder);

// Settles the change and removes the note. A loader an entry names again
// (`loaderNamed`) stays; only the note goes. An edit is undone, unless
// `keepEdit`: then its OSChooser file keeps the new values (its loader file
// keeps the old ones). "" when done, else why not.
std::string SettleHalfDone(const HalfDoneNote& note, bool loaderNamed, bool keepEdit = false);
