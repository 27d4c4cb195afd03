// What the create and edit runners write once the user confirms: the files
// of a new entry after the wizard's Finish, and of an edited entry after the
// property sheet's OK. The user interface runs the wizard and the sheet and
// then calls these.
#pragma once

#include <string>

#include "platform/win_types.h"

class MenuEntry;

// The entry folder relative to the share root, with its trailing backslash:
// the folder with the share root taken off. A folder outside the root falls
// back to the text after the first "\Setup" (case-sensitive), "" without one.
std::string RelativeEntryFolder(const std::string& risRoot, const std::string& folder);

// After Finish: sets the server path, creates the loader file under the
// first free tool<N>.ldr and then the OSChooser file templates\tool<N>.sif
// (with "_" added while taken) with LaunchFile and Version. All or nothing:
// when a save fails it shows its message, the loader made so far is removed
// again, and the result is FALSE. Should that removal fail too, the message
// says the entry is half-done and a note is left for verify (half_done.h).
BOOL WriteNewEntry(MenuEntry& entry, const std::string& folder);

// After OK: saves the OSChooser file and then the loader file, whole or not
// at all: when either cannot be written nothing is, and when the loader
// fails after all the OSChooser file is put back (or, when that fails too,
// said to be half-done and noted for verify). A loader that did not
// open from its file is never written over that file (only the OSChooser
// file is); the user is told so. FALSE when not everything was written.
BOOL WriteEditedEntry(MenuEntry& entry);

// An entry whose loader file is missing: the document, still the built-in
// template, becomes the loader to write at the LaunchFile's path, with the
// server path of that folder, so that OK creates the file and the entry works
// again. Nothing for any other entry.
void StartMissingLoader(MenuEntry& entry);

// The text the loader pages show in place of their controls when the loader
// file cannot be edited: its error, or for a refused newer version (which
// leaves no error code) the note that it will not be written.
void MarkUnopenedLoader(MenuEntry& entry);
