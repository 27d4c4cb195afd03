// The program's string table: every message and caption the user sees,
// looked up by the identifiers of resource.h.
#pragma once

#include "res/load_string.h"
#include "res/resource.h"
