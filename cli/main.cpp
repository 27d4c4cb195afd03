// menvolt-cli: the command-line companion of the editor. It works on the same
// documents as the editor, so what it writes is exactly what the editor
// writes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "commands.h"

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: menvolt-cli COMMAND [ARGS]\n"
        "\n"
        "Loader and OSChooser files:\n"
        "  show FILE             describe a loader file (.ldr) or an OSChooser file (.sif)\n"
        "  check FILE...         run the editor's checks; exit 1 when any file fails\n"
        "  template OUT          write the built-in loader template\n"
        "  new OUT [options]     build a loader file\n"
        "      --title TEXT              banner text\n"
        "      --server-path PATH        folder put in front of every image name\n"
        "      --colors 0xHHLL           highlighted (HH) and normal (LL) attributes\n"
        "      --item SLOT IMAGE DESCRIPTION HELP   one menu item (slot 0-7; IMAGE \"\" boots\n"
        "                                the hard drive)\n"
        "\n"
        "Exit codes: 0 success, 1 a file failed its checks or could not be written,\n"
        "2 wrong usage.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    cli::PrepareHostPaths();
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "show") return cli::Show(args);
    if (command == "check") return cli::Check(args);
    if (command == "template") return cli::WriteTemplate(args);
    if (command == "new") return cli::New(args);
    std::fprintf(stderr, "menvolt-cli: unknown command '%s'\n\n", command.c_str());
    Usage(stderr);
    return 2;
}
