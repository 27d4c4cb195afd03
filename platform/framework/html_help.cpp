#include "html_help.h"

#include <cstdio>

namespace framework {

namespace {
std::vector<HelpRequest>& Log() {
    static std::vector<HelpRequest> log;
    return log;
}
}  // namespace

intptr_t HtmlHelp(void* owner, const std::string& file, UINT command, uintptr_t data) {
    Log().push_back({owner, file, command, data});
    // TODO: open the help file's topic once the help content exists.
    if (command == HH_HELP_CONTEXT)
        std::fprintf(stderr, "help: context %lu of %s\n", static_cast<unsigned long>(data), file.c_str());
    return 0;
}

const std::vector<HelpRequest>& HelpRequests() { return Log(); }
void ClearHelpRequests() { Log().clear(); }

}  // namespace framework
