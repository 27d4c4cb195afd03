// The rules for boot image file names and the tests for their existence:
// plain code shared by the editor's pages and dialogs and the command line.
#pragma once

#include <cstddef>
#include <string>

#include "platform/win_types.h"

// The longest full path the library and the dialogs take: a 256-byte buffer
// less its NUL.
inline constexpr size_t kMaxImagePath = 255;

// TRUE when a file search for `path` finds an entry: wildcards match, and a
// folder path ending with a backslash matches nothing.
BOOL ImageFileExists(const std::string& path);

// A bare file name: no path separator, drive colon, wildcard, double quote,
// other character Windows refuses in a name or control character, and not
// "." or "..". The empty name (boot from the hard drive) passes.
bool IsBareImageFileName(const std::string& name);

// The part of the folder the client asks the server for: the folder below
// the share ("\\SERVER\RemInst\Setup\...\" gives "Setup\...\"), or below the
// drive for a drive path.
std::string ServerPathOf(const std::string& folder);

// 0 when the name can be used in the folder, else the string-table entry
// that says why not: 57347 not a bare name, 57365 folder and name longer than
// 255 characters, 57354 longer than the 127 characters a client can request.
// The client requests the loader's stored server path and the name: give
// `serverPath` when there is a loader; without one the folder's part below the
// share stands for it.
unsigned ImageFileNameProblem(const std::string& folder, const std::string& name,
                              const std::string* serverPath = nullptr);

// TRUE when the named file exists in the folder. An empty folder holds
// nothing: the current folder of the program is never searched.
BOOL ImageFileExistsIn(const std::string& folder, const std::string& name);
