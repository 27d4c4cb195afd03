#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "image/image_boots_on.h"
#include "image/image_file_names.h"
#include "loader/layout.h"
#include "loader/loader_file.h"
#include "loader/loader_template.h"
#include "platform/file_system.h"
#include "res/string_table.h"
#include "store/sif_file.h"

namespace fs = std::filesystem;

namespace cli {

namespace {

constexpr unsigned long kItems = layout::LDR_SLOT_COUNT;
const std::string kItemRange = "1 to " + std::to_string(kItems);

bool LooksLikeLoader(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    char head[8] = {};
    in.read(head, sizeof head);
    return in.gcount() >= 8 && std::memcmp(head + 2, "QVLRIS", 6) == 0;
}

// Stored text for the terminal, in quotes: UTF-8, control bytes escaped.
std::string Quoted(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '"') out += "\\\"";
        else out += c;
    }
    return "\"" + Shown(out) + "\"";
}

unsigned ByteSum(const uint8_t* data, int length) {
    unsigned sum = 0;
    for (int i = 0; i < length; ++i) sum += data[i];
    return sum & 0xFF;
}

void ShowLoader(const LoaderFile& doc) {
    using namespace layout;
    const uint8_t* d = doc.Data();
    uint16_t version = doc.GetVersion();
    uint16_t lengthWord = static_cast<uint16_t>(d[LDR_LENGTH] | (d[LDR_LENGTH + 1] << 8));
    std::printf("version:      v%X.%02X\n", version >> 8, version & 0xFF);
    std::printf("length:       %d bytes (length word %u)\n", doc.Length(), lengthWord);
    std::printf("checksum:     %s\n", ByteSum(d, doc.Length()) == 0 ? "ok" : "bad");
    uint16_t colors = doc.GetColors();
    std::printf("colors:       0x%04X (normal 0x%02X, highlighted 0x%02X)\n", colors, colors & 0xFF, colors >> 8);
    std::printf("title:        %s\n", Quoted(doc.GetTitle()).c_str());
    std::printf("server path:  %s\n", Quoted(doc.GetServerPath()).c_str());
    std::printf("items:        %d\n", doc.GetItemCount());
    std::printf("starts on:    %s%s\n", StartText(doc.GetDefaultItem(), doc.GetTimeout(), 1).c_str(),
                doc.HasOwnClient() ? "" : " (another client program)");
    for (int slot = 0; slot < static_cast<int>(LDR_SLOT_COUNT); ++slot) {
        std::string image, description, help;
        doc.GetItem(slot, image, description, help);
        if (slot >= doc.GetItemCount() && image.empty() && description.empty() && help.empty()) continue;
        std::printf("item %d:       image %s%s\n", slot + 1, Quoted(image).c_str(),
                    image.empty() ? " (boot from hard drive)" : "");
        std::printf("              description %s\n", Quoted(description).c_str());
        std::printf("              help %s\n", Quoted(help).c_str());
        if (slot < doc.GetItemCount())
            std::printf("              boots on: %s\n", BootsOnDetail(ItemBootsOn(doc.GetFolder(), image)).c_str());
    }
}

}  // namespace

std::vector<std::string> LoaderWarnings(const LoaderFile& doc) {
    std::vector<std::string> warnings;
    const uint8_t* d = doc.Data();
    uint16_t lengthWord = static_cast<uint16_t>(d[layout::LDR_LENGTH] | (d[layout::LDR_LENGTH + 1] << 8));
    if (lengthWord != doc.Length())
        warnings.push_back("length word " + std::to_string(lengthWord) + " differs from the file size " +
                           std::to_string(doc.Length()));
    std::string server = doc.GetServerPath();
    for (int slot = 0; slot < doc.GetItemCount(); ++slot) {
        std::string name = server + doc.GetImageFile(slot);
        if (name.size() > layout::LDR_TFTP_NAME_MAX)
            warnings.push_back("item " + std::to_string(slot + 1) + ": " + res::LoadString(res::IDS_NAME_TOO_LONG));
    }
    return warnings;
}

void PrepareHostPaths() { platform::MapDrive('Z', "/"); }

std::string WindowsPathOf(const std::string& hostPath) {
    return platform::ToWindowsPath(fs::absolute(hostPath));
}

int Show(const std::vector<std::string>& args) {
    if (HelpRequested()) {
        std::puts("usage: menvolt-cli show FILE\nDescribes a loader file (.ldr) or an OSChooser file (.sif).");
        return kExitOk;
    }
    if (args.size() != 1) {
        std::fputs("usage: menvolt-cli show FILE\n", stderr);
        return kExitUsage;
    }
    const std::string& file = args[0];
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {  // never opened: a pipe would wait for a writer
        std::fprintf(stderr, "%s: %s\n", file.c_str(), res::LoadString(res::IDS_NOT_A_FILE));
        return kExitFailed;
    }
    if (LooksLikeLoader(file)) {
        LoaderFile doc;
        if (!doc.Open(WindowsPathOf(file))) {
            if (doc.m_error) std::fprintf(stderr, "%s: %s\n", file.c_str(), doc.ErrorText().c_str());
            return kExitFailed;
        }
        ShowLoader(doc);
        return kExitOk;
    }
    SifFile sif;
    if (!sif.Load(WindowsPathOf(file))) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), res::LoadString(res::IDS_OPEN_ERROR));
        return kExitFailed;
    }
    // Neither a loader nor an OSChooser file: nothing to show.
    if (std::string problem = sif.EditProblem(); !problem.empty()) {
        std::fprintf(stderr, "%s: not a loader file (no loader signature) and not an OSChooser file: %s\n",
                     file.c_str(), problem.c_str());
        return kExitFailed;
    }
    for (const char* key : {"Description", "Help", "LaunchFile", "Version", "ImageType"})
        std::printf("%-12s %s\n", (std::string(key) + ":").c_str(), Quoted(sif.GetValue(key)).c_str());
    return kExitOk;
}

int Check(const std::vector<std::string>& args) {
    if (HelpRequested()) {
        std::puts("usage: menvolt-cli check FILE...\nRuns the editor's checks on loader files; exit 1 when any fails.");
        return kExitOk;
    }
    if (args.empty()) {
        std::fputs("usage: menvolt-cli check FILE...\n", stderr);
        return kExitUsage;
    }
    int failed = 0;
    for (const std::string& file : args) {
        LoaderFile doc;
        if (!doc.Open(WindowsPathOf(file))) {
            // A newer version was already reported by Open itself.
            if (doc.m_error) std::printf("%s: %s\n", file.c_str(), doc.ErrorText().c_str());
            ++failed;
            continue;
        }
        std::vector<std::string> warnings = LoaderWarnings(doc);
        for (const std::string& w : warnings) std::printf("%s: %s\n", file.c_str(), w.c_str());
        if (!warnings.empty()) {
            ++failed;
            continue;
        }
        std::printf("%s: ok\n", file.c_str());
    }
    return failed ? kExitFailed : kExitOk;
}

int WriteTemplate(const std::vector<std::string>& args) {
    if (HelpRequested()) {
        std::puts("usage: menvolt-cli template OUT\nWrites the built-in loader template (a name such as -h goes after --).");
        return kExitOk;
    }
    if (args.size() != 1) {
        std::fputs("usage: menvolt-cli template OUT\n", stderr);
        return kExitUsage;
    }
    std::span<const uint8_t> bytes = loader::Template();
    platform::FileError e = platform::WriteFileAtomically(WindowsPathOf(args[0]), bytes.data(), bytes.size());
    if (e != platform::FileError::None) {
        std::fprintf(stderr, "%s: cannot write (%s)\n", args[0].c_str(), platform::FileErrorName(e));
        return kExitFailed;
    }
    return kExitOk;
}

int New(const std::vector<std::string>& args) {
    static const char kUsage[] =
        "usage: menvolt-cli new OUT [--title TEXT] [--server-path PATH] [--colors 0xHHLL] "
        "[--item N IMAGE DESCRIPTION HELP]... [--default N] [--timeout SECONDS]";
    if (HelpRequested()) {
        std::printf("%s\nBuilds a loader file with the limits of the editor's pages: a banner of at most\n"
                     "%u characters, descriptions of %u, help texts of %u, backgrounds 0-7, and image\n"
                     "names the client can request (server path and name at most %u characters).\n"
                     "Items are numbered 1 to %u, in order and without gaps. --default names the item\n"
                     "the menu starts on; --timeout boots it after so many seconds without a key\n"
                     "(0 to %u; 0, the default, waits for a key).\n",
                     kUsage, layout::BANNER_MAX, layout::DESCRIPTION_MAX, layout::HELP_TEXT_MAX,
                     layout::LDR_TFTP_NAME_MAX, layout::LDR_SLOT_COUNT, layout::LDR_TIMEOUT_MAX);
        return kExitOk;
    }
    if (args.empty()) {
        std::fprintf(stderr, "%s\n", kUsage);
        return kExitUsage;
    }
    auto usage = [](const std::string& message) {
        std::fprintf(stderr, "menvolt-cli new: %s\n", message.c_str());
        return kExitUsage;
    };
    auto tooLarge = [] {
        std::fprintf(stderr, "%s\n", res::LoadString(res::IDS_LOADER_TOO_LARGE));
        return kExitFailed;
    };
    LoaderFile doc;
    std::string serverPath;
    std::vector<std::pair<unsigned long, std::string>> images;
    long defaultItem = 0;  // counted from 1; 0: not given
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& opt = args[i];
        auto need = [&](size_t n) { return i + n < args.size(); };
        if (opt == "--title") {
            std::string title;
            if (!need(1)) return usage("--title needs a value");
            if (!TakeText(args[++i], "--title", title)) return kExitUsage;
            if (title.size() > layout::BANNER_MAX)
                return usage("a banner holds at most " + std::to_string(layout::BANNER_MAX) + " characters");
            if (!doc.SetTitle(title)) return tooLarge();
        } else if (opt == "--server-path") {
            if (!need(1)) return usage("--server-path needs a value");
            if (!TakeText(args[++i], "--server-path", serverPath)) return kExitUsage;
            if (!doc.SetServerPath(serverPath)) return tooLarge();
        } else if (opt == "--colors") {
            unsigned long value = 0;
            // Backgrounds are the first eight colours: bit 7 of each attribute stays 0.
            if (!need(1) || !ParseNumber(args[++i], 0, 0xFFFF, 0, value) || (value & 0x8080))
                return usage("--colors takes 0xHHLL with backgrounds 0-7, such as 0x7007");
            doc.SetColors(static_cast<uint16_t>(value));
        } else if (opt == "--default") {
            unsigned long number = 0;
            if (!need(1) || !ParseNumber(args[++i], 1, kItems, 10, number))
                return usage("--default numbers items " + kItemRange + ", as --item does");
            defaultItem = static_cast<long>(number);
        } else if (opt == "--timeout") {
            unsigned long seconds = 0;
            if (!need(1) || !ParseNumber(args[++i], 0, layout::LDR_TIMEOUT_MAX, 10, seconds))
                return usage("--timeout takes seconds from 0 to " + std::to_string(layout::LDR_TIMEOUT_MAX) +
                             " (0: wait for a key)");
            doc.SetTimeout(static_cast<int>(seconds));
        } else if (opt == "--item") {
            if (!need(4)) return usage("--item needs N IMAGE DESCRIPTION HELP");
            unsigned long number = 0;
            if (!ParseNumber(args[i + 1], 1, kItems, 10, number)) return usage("--item numbers items " + kItemRange);
            const unsigned long slot = number - 1;
            std::string image, description, help;
            if (!TakeText(args[i + 2], "the image name", image) ||
                !TakeText(args[i + 3], "the description", description) || !TakeText(args[i + 4], "the help text", help))
                return kExitUsage;
            if (description.size() > layout::DESCRIPTION_MAX)
                return usage("a description holds at most " + std::to_string(layout::DESCRIPTION_MAX) + " characters");
            if (help.size() > layout::HELP_TEXT_MAX)
                return usage("a help text holds at most " + std::to_string(layout::HELP_TEXT_MAX) + " characters");
            if (static_cast<int>(slot) > doc.GetItemCount()) return usage("items are numbered without gaps");
            if (!doc.SetItem(static_cast<int>(slot), image, description, help)) {
                std::fprintf(stderr, "item %lu: %s or %s\n", number, res::LoadString(res::IDS_HELP_TOO_LONG),
                             res::LoadString(res::IDS_LOADER_TOO_LARGE));
                return kExitFailed;
            }
            images.emplace_back(number, image);
            i += 4;
        } else {
            return usage("unknown option '" + Shown(opt) + "'");
        }
    }
    if (doc.GetTimeout() > 0 && doc.GetItemCount() < 2)
        return usage("--timeout: a loader file with a single item starts it at once without a menu, so there is "
                     "no countdown to set");
    if (defaultItem > doc.GetItemCount())
        return usage("--default " + std::to_string(defaultItem) + ": the menu has no item " + std::to_string(defaultItem));
    if (defaultItem > 0) doc.SetDefaultItem(static_cast<int>(defaultItem - 1));
    // The image rules of the pages, once the server path is known.
    const std::string out = WindowsPathOf(args[0]);
    const std::string folder = out.substr(0, out.find_last_of('\\') + 1);
    for (const auto& [number, image] : images) {
        if (image.empty()) continue;
        if (unsigned problem = ImageFileNameProblem(folder, image, &serverPath)) {
            std::fprintf(stderr, "item %lu: %s: %s\n", number, Shown(image).c_str(), res::LoadString(problem));
            return kExitUsage;
        }
    }
    return doc.SaveAs(out) ? kExitOk : kExitFailed;
}

}  // namespace cli
