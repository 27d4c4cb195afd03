// Short (8.3) file names as a FAT directory stores them: eleven bytes of the
// OEM code page 437, name and extension padded with blanks, upper case (with
// DOS's upper-casing of that code page). Names given and returned here are
// host text (UTF-8); only the stored bytes are code page 437. Long names are not stored;
// a host name that is not a valid short name is either refused (when the
// user types it) or mapped to a short name with a "~N" tail (when a host file
// is added), and the caller tells the user which name it got.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace imagelib {

using ShortName = std::array<char, 11>;

// Parses "NAME.EXT" (letters are upper-cased). Returns false, with a reason
// for the user, when the name cannot be stored as typed, also for a character
// code page 437 has no byte for.
bool ParseShortName(const std::string& name, ShortName& out, std::string* reason = nullptr);

// "NAME.EXT" or "NAME" for a stored entry.
std::string FormatShortName(const ShortName& raw);

// A valid short name for any host name: upper-cased, characters FAT or the
// code page cannot hold replaced by '_', base cut to 8 and extension (after the last dot) to
// 3. When the name had to change, or `taken` says the result is already in
// use, the base ends in "~N" with the first N that is free.
std::string MapToShortName(const std::string& hostName,
                           const std::function<bool(const std::string&)>& taken);

}  // namespace imagelib
