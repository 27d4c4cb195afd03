// The program's string table: every message and caption the user sees.
#pragma once

#include <string>

#include "res/resource.h"

namespace res {

// The text of an identifier; empty for an identifier the table does not hold.
const char* LoadString(unsigned id);

// printf-style formatting of a string-table entry.
std::string FormatString(unsigned id, ...);

}  // namespace res
