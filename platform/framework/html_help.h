// Context help. The help file's content is not written yet, so this stand-in
// records each request (for tests) and prints it, instead of opening a help
// viewer on the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win_types.h"

namespace framework {

enum : UINT { HH_HELP_CONTEXT = 15 };

struct HelpRequest {
    void* owner = nullptr;
    std::string file;
    UINT command = 0;
    uintptr_t data = 0;
};

// Returns the handle of the help window, 0 when none was opened (always, for
// now).
intptr_t HtmlHelp(void* owner, const std::string& file, UINT command, uintptr_t data);

const std::vector<HelpRequest>& HelpRequests();
void ClearHelpRequests();

}  // namespace framework
