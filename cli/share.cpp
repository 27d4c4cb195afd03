#include "cli/share.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cli/cli_text.h"
#include "platform/file_system.h"
#include "platform/host_system.h"
#include "store/menu_store.h"

namespace cli {

namespace {

std::string Upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
    return s;
}

std::string Backslashes(std::string s) {
    std::replace(s.begin(), s.end(), '/', '\\');
    return s;
}

}  // namespace

ShareOptions TakeShareOptions(std::vector<std::string>& args) {
    ShareOptions options;
    for (size_t i = 0; i < args.size();) {
        if (args[i] == "--share" && i + 1 < args.size()) {
            options.shareDir = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
        } else if (args[i] == "--json") {
            options.json = true;
            args.erase(args.begin() + static_cast<long>(i));
        } else {
            ++i;
        }
    }
    return options;
}

std::string OpenShare(const ShareOptions& options) {
    std::string computer = host::ComputerName();
    std::error_code ec;
    if (!options.shareDir.empty()) {
        if (!std::filesystem::is_directory(options.shareDir, ec)) {
            std::fprintf(stderr, "menvolt-cli: %s is not a folder\n", options.shareDir.c_str());
            return {};
        }
        platform::MapShare(computer, "RemInst", std::filesystem::absolute(options.shareDir, ec));
    } else {
        host::SambaConfig config = host::ReadSambaConfig();
        if (config.reminstPath.empty()) {
            std::fprintf(stderr,
                         "menvolt-cli: no installation share: Samba publishes no [REMINST] share here; "
                         "name one with --share DIR\n");
            return {};
        }
        platform::MapShare(computer, "RemInst", config.reminstPath);
    }
    return "\\\\" + computer + "\\RemInst\\";
}

const char* TabName(int tab) { return tab == 0 ? "tools" : "images"; }

int ParseTab(const std::string& name) {
    std::string n = Upper(name);
    if (n == "TOOLS" || n == "0") return 0;
    if (n == "IMAGES" || n == "1") return 1;
    return -1;
}

const char* KindName(EntryKind kind) {
    switch (kind) {
        case EntryKind::Single: return "single";
        case EntryKind::Submenu: return "submenu";
        default: return "unresolved";
    }
}

std::vector<EntryRow> CollectEntries(const std::string& risRoot, const std::string& language, int tab,
                                     std::vector<SkippedFile>* skipped) {
    std::vector<EntryRow> rows;
    for (const std::string& lang : ListLanguages(risRoot)) {
        if (!language.empty() && Upper(lang) != Upper(language)) continue;
        for (int t = 0; t < kMenuCount; ++t) {
            if (tab >= 0 && t != tab) continue;
            MenuStore store;
            store.Load(risRoot, lang, t, false);  // listing changes nothing on disk
            if (skipped) {
                if (!store.GetFolderProblem().empty())
                    skipped->push_back({store.LanguageFolder(), store.GetFolderProblem(), false, true});
                for (const SkippedFile& s : store.GetSkipped()) skipped->push_back(s);
            }
            for (int i = 0; i < store.GetCount(); ++i) {
                EntryRow row;
                static_cast<MenuRow&>(row) = store.Row(i);
                row.language = lang;
                row.tab = t;
                row.index = i;
                rows.push_back(std::move(row));
            }
        }
    }
    return rows;
}

bool FindEntry(const std::string& risRoot, const std::string& relativeSif, EntryRow& row, std::string& why) {
    std::string wanted = Upper(Backslashes(relativeSif));
    while (!wanted.empty() && wanted[0] == '\\') wanted.erase(0, 1);
    // The listing has already waited the moment a save or another listing
    // holds a file: one held longer is busy.
    std::vector<SkippedFile> skipped;
    for (const EntryRow& candidate : CollectEntries(risRoot, "", -1, &skipped)) {
        if (Upper(Relative(risRoot, candidate.sifPath)) == wanted) {
            row = candidate;
            return true;
        }
    }
    why = "no entry " + Shown(relativeSif);
    for (const SkippedFile& s : skipped) {
        if (Upper(Relative(risRoot, s.path)) == wanted)
            why = Shown(relativeSif) + (s.busy ? " is busy: another command holds it; try again"
                                               : " cannot be used: " + s.reason);
    }
    if (const std::string out = FolderLeadingOutside(risRoot, risRoot + Backslashes(relativeSif)); !out.empty())
        why = Shown(relativeSif) + ": " + UnreachableFolderText(risRoot, out);
    return false;
}

std::string FolderLeadingOutside(const std::string& risRoot, const std::string& path) {
    if (risRoot.empty()) return "";
    for (size_t cut = path.find('\\', risRoot.size()); cut != std::string::npos; cut = path.find('\\', cut + 1))
        if (platform::LeadsOutsideShare(path.substr(0, cut))) return path.substr(0, cut);
    // A folder path without its closing backslash ends in a folder too.
    if (path.size() > risRoot.size() && path.back() != '\\' && platform::IsDirectory(path) &&
        platform::LeadsOutsideShare(path))
        return path;
    return "";
}

std::string ShareRootOf(const std::string& path) {
    if (path.rfind("\\\\", 0) != 0) return "";
    const size_t computer = path.find('\\', 2);
    const size_t share = computer == std::string::npos ? computer : path.find('\\', computer + 1);
    return share == std::string::npos ? "" : path.substr(0, share + 1);
}

std::string UnreachableFolderText(const std::string& risRoot, const std::string& folder) {
    return "the folder " + Shown(Relative(risRoot, folder)) + " is not reachable (it is a link that leads outside the share)";
}

std::string Relative(const std::string& risRoot, const std::string& path) {
    if (Upper(path.substr(0, risRoot.size())) == Upper(risRoot)) return path.substr(risRoot.size());
    return path;
}

}  // namespace cli
