#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "commands.h"
#include "file_system.h"
#include "layout.h"
#include "loader_file.h"
#include "loader_template.h"
#include "sif_file.h"
#include "string_table.h"

namespace fs = std::filesystem;

namespace cli {

namespace {

bool LooksLikeLoader(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    char head[8] = {};
    in.read(head, sizeof head);
    return in.gcount() >= 8 && std::memcmp(head + 2, "QVLRIS", 6) == 0;
}

std::string Quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\n') out += "\\n";
        else if (c == '"') out += "\\\"";
        else out += c;
    }
    return out + "\"";
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
    for (int slot = 0; slot < static_cast<int>(LDR_SLOT_COUNT); ++slot) {
        std::string image, description, help;
        doc.GetItem(slot, image, description, help);
        if (slot >= doc.GetItemCount() && image.empty() && description.empty() && help.empty()) continue;
        std::printf("slot %d:       image %s%s\n", slot, Quoted(image).c_str(),
                    image.empty() ? " (boot from hard drive)" : "");
        std::printf("              description %s\n", Quoted(description).c_str());
        std::printf("              help %s\n", Quoted(help).c_str());
    }
}

// Extra checks on an opened loader, beyond what Open refuses.
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
            warnings.push_back("slot " + std::to_string(slot) + ": " + res::LoadString(res::IDS_NAME_TOO_LONG));
    }
    return warnings;
}

}  // namespace

void PrepareHostPaths() { platform::MapDrive('Z', "/"); }

std::string WindowsPathOf(const std::string& hostPath) {
    return platform::ToWindowsPath(fs::absolute(hostPath));
}

int Show(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("usage: menvolt-cli show FILE\n", stderr);
        return 2;
    }
    const std::string& file = args[0];
    if (LooksLikeLoader(file)) {
        LoaderFile doc;
        if (!doc.Open(WindowsPathOf(file))) {
            if (doc.m_error) std::fprintf(stderr, "%s: %s\n", file.c_str(), res::LoadString(doc.m_error));
            return 1;
        }
        ShowLoader(doc);
        return 0;
    }
    SifFile sif;
    if (!sif.Load(WindowsPathOf(file))) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), res::LoadString(res::IDS_OPEN_ERROR));
        return 1;
    }
    for (const char* key : {"Description", "Help", "LaunchFile", "Version", "ImageType"})
        std::printf("%-12s %s\n", (std::string(key) + ":").c_str(), Quoted(sif.GetValue(key)).c_str());
    return 0;
}

int Check(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs("usage: menvolt-cli check FILE...\n", stderr);
        return 2;
    }
    int failed = 0;
    for (const std::string& file : args) {
        LoaderFile doc;
        if (!doc.Open(WindowsPathOf(file))) {
            // A newer version was already reported by Open itself.
            if (doc.m_error) std::printf("%s: %s\n", file.c_str(), res::LoadString(doc.m_error));
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
    return failed ? 1 : 0;
}

int WriteTemplate(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("usage: menvolt-cli template OUT\n", stderr);
        return 2;
    }
    std::span<const uint8_t> bytes = loader::Template();
    platform::FileError e = platform::WriteFileAtomically(WindowsPathOf(args[0]), bytes.data(), bytes.size());
    if (e != platform::FileError::None) {
        std::fprintf(stderr, "%s: cannot write (%s)\n", args[0].c_str(), platform::FileErrorName(e));
        return 1;
    }
    return 0;
}

int New(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs("usage: menvolt-cli new OUT [--title TEXT] [--server-path PATH] [--colors 0xHHLL] "
                   "[--item SLOT IMAGE DESCRIPTION HELP]...\n",
                   stderr);
        return 2;
    }
    LoaderFile doc;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& opt = args[i];
        auto need = [&](size_t n) {
            if (i + n >= args.size()) {
                std::fprintf(stderr, "menvolt-cli new: %s needs %zu value(s)\n", opt.c_str(), n);
                return false;
            }
            return true;
        };
        if (opt == "--title") {
            if (!need(1)) return 2;
            if (!doc.SetTitle(args[++i])) {
                std::fprintf(stderr, "%s\n", res::LoadString(res::IDS_LOADER_TOO_LARGE));
                return 1;
            }
        } else if (opt == "--server-path") {
            if (!need(1)) return 2;
            if (!doc.SetServerPath(args[++i])) {
                std::fprintf(stderr, "%s\n", res::LoadString(res::IDS_LOADER_TOO_LARGE));
                return 1;
            }
        } else if (opt == "--colors") {
            if (!need(1)) return 2;
            char* end = nullptr;
            unsigned long value = std::strtoul(args[++i].c_str(), &end, 0);
            if (!end || *end || value > 0xFFFF) {
                std::fprintf(stderr, "menvolt-cli new: --colors takes a 16-bit value such as 0x7007\n");
                return 2;
            }
            doc.SetColors(static_cast<uint16_t>(value));
        } else if (opt == "--item") {
            if (!need(4)) return 2;
            char* end = nullptr;
            long slot = std::strtol(args[i + 1].c_str(), &end, 10);
            if (!end || *end || slot < 0 || slot > 7) {
                std::fprintf(stderr, "menvolt-cli new: slot must be 0 to 7\n");
                return 2;
            }
            if (!doc.SetItem(static_cast<int>(slot), args[i + 2], args[i + 3], args[i + 4])) {
                std::fprintf(stderr, "slot %ld: %s or %s\n", slot, res::LoadString(res::IDS_HELP_TOO_LONG),
                             res::LoadString(res::IDS_LOADER_TOO_LARGE));
                return 1;
            }
            i += 4;
        } else {
            std::fprintf(stderr, "menvolt-cli new: unknown option '%s'\n", opt.c_str());
            return 2;
        }
    }
    return doc.SaveAs(WindowsPathOf(args[0])) ? 0 : 1;
}

}  // namespace cli
