// menvolt-cli: the command-line companion of the editor. It works on the same
// documents as the editor, so what it writes is exactly what the editor
// writes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/commands.h"

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: menvolt-cli COMMAND [ARGS]\n"
        "\n"
        "Loader and OSChooser files:\n"
        "  show FILE             describe a loader file (.ldr) or an OSChooser file (.sif)\n"
        "  show --screen FILE.ldr [--selected N]\n"
        "                        the menu screen the loader file gives, cell by cell\n"
        "  check FILE...         run the editor's checks; exit 1 when any file fails\n"
        "  template OUT          write the built-in loader template\n"
        "  new OUT [options]     build a loader file\n"
        "      --title TEXT              banner text\n"
        "      --server-path PATH        folder put in front of every image name\n"
        "      --colors 0xHHLL           highlighted (HH) and normal (LL) attributes\n"
        "      --item N IMAGE DESCRIPTION HELP   menu item N (1-8; IMAGE \"\" boots\n"
        "                                the hard drive)\n"
        "\n"
        "\n"
        "The installation share (--share DIR, else the [REMINST] share of Samba's\n"
        "configuration; --json for scripts):\n"
        "  list [--language L] [--tab tools|images]   every entry and its files\n"
        "  show SIF              one entry (SIF: its OSChooser file relative to the share)\n"
        "  create --language L --description D (--image NAME | --item N IMAGE DESC HELP...)\n"
        "                        create an entry as the Create Menu Wizard does\n"
        "  edit SIF [changes]    change an entry as the Menu Item Properties sheet does\n"
        "  remove SIF            remove an entry's files, as the editor's Remove does\n"
        "  verify                check every entry, its images, and orphaned loaders\n"
        "  testboot SIF [--uefi | --secure-boot | --arm64] [--window]   boot an entry in a\n"
        "                        virtual PC (a BIOS PC, a UEFI PC, a UEFI PC with Secure Boot on\n"
        "                        that trusts the site key, or an ARM64 UEFI PC) and show its\n"
        "                        first screen\n"
        "\n"
        "Secure Boot (Debian's openssl, sbsigntool and shim; see secureboot --help):\n"
        "  secureboot key|sign|shim|check|vm-vars   the site key, signed programs, the shim\n"
        "                        layout of a TFTP folder and its check\n"
        "Each command takes --help (or -h); a file of that name goes after \"--\".\n"
        "\n"
        "Exit codes: 0 success, 1 a file failed its checks or could not be written,\n"
        "2 wrong usage, 3 QEMU (or for --uefi OVMF) is not installed (testboot).\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        Usage(args.empty() ? stderr : stdout);
        return args.empty() ? cli::kExitUsage : cli::kExitOk;
    }
    cli::PrepareHostPaths();
    // Options common to the share commands may stand before the command.
    std::vector<std::string> leading;
    while (!args.empty() && (args[0] == "--json" || (args[0] == "--share" && args.size() > 1))) {
        size_t n = args[0] == "--share" ? 2 : 1;
        leading.insert(leading.end(), args.begin(), args.begin() + static_cast<long>(n));
        args.erase(args.begin(), args.begin() + static_cast<long>(n));
    }
    if (args.empty()) {
        Usage(stderr);
        return cli::kExitUsage;
    }
    std::string command = args[0];
    args.erase(args.begin());
    cli::SetHelpRequested(cli::AsksForHelp(args));
    cli::DropEndOfOptions(args);
    args.insert(args.end(), leading.begin(), leading.end());
    if (command == "show") {
        for (const std::string& a : args)
            if (a == "--screen") return cli::ShowScreen(args);
        // A file on this machine is shown as a file; anything else names an
        // entry of the share.
        std::error_code ec;
        bool shareEntry = cli::HelpRequested() || args.size() != 1 ||
                          !std::filesystem::exists(std::filesystem::symlink_status(args[0], ec));
        for (const std::string& a : args) shareEntry = shareEntry || a == "--share" || a == "--json";
        return shareEntry ? cli::ShowEntry(args) : cli::Show(args);
    }
    if (command == "list") return cli::List(args);
    if (command == "remove") return cli::Remove(args);
    if (command == "verify") return cli::Verify(args);
    if (command == "testboot") return cli::TestBoot(args);
    if (command == "create") return cli::Create(args);
    if (command == "edit") return cli::Edit(args);
    if (command == "secureboot") return cli::SecureBoot(args);
    if (command == "check") return cli::Check(args);
    if (command == "template") return cli::WriteTemplate(args);
    if (command == "new") return cli::New(args);
    std::fprintf(stderr, "menvolt-cli: unknown command '%s'\n\n", command.c_str());
    Usage(stderr);
    return cli::kExitUsage;
}
