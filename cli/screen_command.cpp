// show --screen: the menu screen a loader file gives, cell by cell, from the
// editor's own renderer. The boot tests compare what a PC shows with this,
// so there is one statement of what the menu looks like.
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "loader/client_screen.h"
#include "loader/loader_file.h"
#include "res/string_table.h"

namespace cli {

namespace {

constexpr const char kScreenUsage[] =
    "usage: menvolt-cli show --screen FILE.ldr [--selected N]\n"
    "Prints the menu screen of a loader file with item N (from 1; else the item a\n"
    "PC starts on) selected: 25\n"
    "lines of 80 cells, each cell four hex digits, the code-page-437 character\n"
    "then the text attribute. The countdown shows the file's timeout.\n";

}  // namespace

int ShowScreen(const std::vector<std::string>& args) {
    if (HelpRequested()) {
        std::fputs(kScreenUsage, stdout);
        return kExitOk;
    }
    std::string file;
    long selected = 0;  // not given: the start item
    bool usage = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--screen") continue;
        if (args[i] == "--selected" && i + 1 < args.size()) {
            char* end = nullptr;
            selected = std::strtol(args[++i].c_str(), &end, 10);
            usage = usage || *end != '\0' || selected < 1;
        } else if (file.empty() && args[i].rfind("--", 0) != 0) {
            file = args[i];
        } else {
            usage = true;
        }
    }
    if (usage || file.empty()) {
        std::fputs(kScreenUsage, stderr);
        return kExitUsage;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), res::LoadString(res::IDS_NOT_A_FILE));
        return kExitFailed;
    }
    PrepareHostPaths();
    LoaderFile doc;
    if (!doc.Open(WindowsPathOf(file))) {
        if (doc.m_error) std::fprintf(stderr, "%s: %s\n", file.c_str(), doc.ErrorText().c_str());
        return kExitFailed;
    }
    if (selected > doc.GetItemCount()) {
        std::fprintf(stderr, "%s: the menu has %d items, not %ld\n", file.c_str(), doc.GetItemCount(), selected);
        return kExitUsage;
    }
    const ClientScreen screen = DrawMenuScreen(doc, selected ? static_cast<int>(selected) - 1 : StartRow(doc));
    for (const auto& row : screen.cells) {
        for (int c = 0; c < ClientScreen::kColumns; ++c)
            std::printf("%s%02X%02X", c ? " " : "", row[c].ch, row[c].attr);
        std::putchar('\n');
    }
    return kExitOk;
}

}  // namespace cli
