// Looking a string up by its identifier, without the application's
// identifiers: what the framework and the platform include, so that they
// can show the strings they are told and the standard ones
// (res/standard_ids.h), and cannot name the application's own.
#pragma once

#include <string>

namespace res {

// The text of an identifier; empty for an identifier the table does not hold.
const char* LoadString(unsigned id);

// printf-style formatting of a string-table entry.
std::string FormatString(unsigned id, ...);

}  // namespace res
