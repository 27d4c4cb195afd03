// Commands that write entries: create and edit. They change the documents
// exactly as the wizard and the property sheet do, check what those pages
// check, and write the files through the same runner steps and order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "commands.h"
#include "entry_runners.h"
#include "file_system.h"
#include "image_file_names.h"
#include "json_writer.h"
#include "menu_entry.h"
#include "menu_store.h"
#include "share.h"
#include "string_table.h"

namespace cli {

namespace {

// The limits the pages set on their edit controls.
constexpr size_t kDescriptionLimit = 65;
constexpr size_t kHelpLimit = 260;
constexpr size_t kBannerLimit = 75;

struct Item {
    int slot = -1;
    std::string image, description, help;
};

// What create and edit take besides the share options.
struct EntryChanges {
    bool hasDescription = false, hasHelp = false, hasBanner = false, hasColors = false;
    std::string description, help, banner;
    uint16_t colors = 0;
    std::vector<Item> items;
    std::vector<int> removals;
    bool allowMissingImages = false;
    std::string language, tab = "tools", image;
};

// Line breaks never reach the files: the pages' one-line edits cannot hold them.
std::string OneLine(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n') c = ' ';
    return text;
}

bool Fail(const std::string& message) {
    std::fprintf(stderr, "menvolt-cli: %s\n", message.c_str());
    return false;
}

int UsageError(const std::string& message) {
    Fail(message);
    return 2;
}

int Error(const std::string& message) {
    Fail(message);
    return 1;
}

bool ParseChanges(std::vector<std::string>& args, EntryChanges& c, bool create) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        auto value = [&](size_t n) { return i + n < args.size(); };
        if (opt == "--description" && value(1)) {
            c.hasDescription = true;
            c.description = OneLine(args[++i]);
        } else if (opt == "--help-text" && value(1)) {
            c.hasHelp = true;
            c.help = OneLine(args[++i]);
        } else if (opt == "--banner" && value(1)) {
            c.hasBanner = true;
            c.banner = OneLine(args[++i]);
        } else if (opt == "--colors" && value(1)) {
            char* end = nullptr;
            unsigned long v = std::strtoul(args[++i].c_str(), &end, 0);
            // Backgrounds are the first eight colours: bit 7 of each attribute stays 0.
            if (!end || *end || v > 0xFFFF || (v & 0x8080)) return Fail("--colors takes 0xHHLL with backgrounds 0-7");
            c.hasColors = true;
            c.colors = static_cast<uint16_t>(v);
        } else if (opt == "--item" && value(4)) {
            Item item;
            item.slot = std::atoi(args[i + 1].c_str());
            if (item.slot < 1 || item.slot > 8) return Fail("--item numbers items 1 to 8");
            item.image = args[i + 2];
            item.description = OneLine(args[i + 3]);
            item.help = OneLine(args[i + 4]);
            c.items.push_back(item);
            i += 4;
        } else if (opt == "--remove-item" && value(1) && !create) {
            c.removals.push_back(std::atoi(args[++i].c_str()));
        } else if (opt == "--image" && value(1) && create) {
            c.image = args[++i];
        } else if (opt == "--language" && value(1) && create) {
            c.language = args[++i];
        } else if (opt == "--tab" && value(1) && create) {
            c.tab = args[++i];
        } else if (opt == "--allow-missing-images") {
            c.allowMissingImages = true;
        } else {
            return Fail("unexpected '" + opt + "' (see --help)");
        }
    }
    if (c.description.size() > kDescriptionLimit) return Fail("a description holds at most 65 characters");
    if (c.help.size() > kHelpLimit) return Fail("a help text holds at most 260 characters");
    if (c.banner.size() > kBannerLimit) return Fail("a banner holds at most 75 characters");
    for (const Item& item : c.items) {
        if (item.description.size() > kDescriptionLimit) return Fail("an item description holds at most 65 characters");
        if (item.help.size() > kHelpLimit) return Fail("an item help text holds at most 260 characters");
    }
    return true;
}

// The image rules of the pages: a bare name that the client can request, and
// (unless allowed) a file that exists in the entry folder.
bool CheckImage(const std::string& folder, const std::string& name, bool allowMissing) {
    if (name.empty()) return true;  // boots from the hard drive
    if (unsigned problem = ImageFileNameProblem(folder, name))
        return Fail(name + ": " + res::LoadString(problem));
    if (!allowMissing && !ImageFileExistsIn(folder, name))
        return Fail(name + ": " + res::LoadString(res::IDS_IMAGE_MISSING_QUESTION) +
                    " (--allow-missing-images saves it anyway)");
    return true;
}

bool ApplyLoaderChanges(const EntryChanges& c, LoaderFile& loader, const std::string& folder) {
    std::vector<int> removals = c.removals;
    std::sort(removals.rbegin(), removals.rend());  // from the bottom, so numbers stay valid
    for (int number : removals)
        if (!loader.RemoveItem(number - 1)) return Fail("there is no item " + std::to_string(number));
    for (const Item& item : c.items) {
        if (!CheckImage(folder, item.image, c.allowMissingImages)) return false;
        if (item.slot - 1 > loader.GetItemCount()) return Fail("items are numbered without gaps");
        if (!loader.SetItem(item.slot - 1, item.image, item.description, item.help))
            return Fail(res::LoadString(res::IDS_LOADER_TOO_LARGE));
    }
    if (c.hasBanner && !loader.SetTitle(c.banner)) return Fail(res::LoadString(res::IDS_LOADER_TOO_LARGE));
    if (c.hasColors) loader.SetColors(c.colors);
    return true;
}

}  // namespace

int Create(std::vector<std::string> args) {
    ShareOptions options = TakeShareOptions(args);
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::puts(
                "usage: menvolt-cli [--share DIR] [--json] create --language NAME [--tab tools|images]\n"
                "         --description TEXT [--help-text TEXT]\n"
                "         (--image NAME | --item N IMAGE DESCRIPTION HELP ...)\n"
                "         [--banner TEXT] [--colors 0xHHLL] [--allow-missing-images]\n"
                "Creates an entry as the Create Menu Wizard does: a single item (--image) or a\n"
                "submenu of up to eight items (--item 1..8; an empty IMAGE boots the hard drive).\n"
                "Image files must lie in the entry folder unless --allow-missing-images is given.\n"
                "Writes the loader file, then the OSChooser file; prints the new entry.");
            return 0;
        }
    }
    EntryChanges c;
    if (!ParseChanges(args, c, true)) return 2;
    int tab = ParseTab(c.tab);
    if (c.language.empty() || tab < 0) return UsageError("create needs --language and a --tab of tools or images");
    if (c.description.empty()) return UsageError("create needs a --description");
    if (c.image.empty() == c.items.empty()) return UsageError("create takes either --image or --item");
    if (c.items.size() > 8) return UsageError(res::LoadString(res::IDS_MENU_LIMIT));
    if (!c.image.empty() && (c.hasBanner || c.hasColors)) return UsageError("--banner and --colors belong to submenus");

    std::string root = OpenShare(options);
    if (root.empty()) return 1;
    std::string language;
    for (const std::string& l : Languages(root))
        if (l == c.language) language = l;
    if (language.empty()) return Error("no language folder " + c.language + " in the share");

    MenuStore store;
    store.Load(root, language, "Zent", tab);
    const std::string folder = store.GetFolder();
    MenuEntry entry(root);
    entry.m_sif.SetValue("Description", c.description);
    entry.m_sif.SetValue("Help", c.help);
    if (!c.image.empty()) {
        // A single entry: one item holding only the image file name.
        if (!CheckImage(folder, c.image, c.allowMissingImages)) return 1;
        entry.m_loader.SetItem(0, c.image, "", "");
    } else {
        std::sort(c.items.begin(), c.items.end(), [](const Item& a, const Item& b) { return a.slot < b.slot; });
        if (!ApplyLoaderChanges(c, entry.m_loader, folder)) return 1;
    }
    WriteNewEntry(entry, folder);

    store.Refresh();
    int index = -1;
    for (int i = 0; i < store.GetCount(); ++i)
        if (store.GetSifPath(i) == entry.m_sif.GetPath()) index = i;
    if (index < 0 || !platform::Exists(entry.m_loader.GetPath())) return 1;  // a save failed and said why
    std::string sif = Relative(root, entry.m_sif.GetPath());
    if (options.json)
        std::puts(JsonObject().Add("sif", sif).Add("loader", entry.m_sif.GetLaunchFile()).Str().c_str());
    else
        std::printf("created %s -> %s\n", sif.c_str(), entry.m_sif.GetLaunchFile().c_str());
    return 0;
}

int Edit(std::vector<std::string> args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            std::puts(
                "usage: menvolt-cli [--share DIR] edit SIF [--description TEXT] [--help-text TEXT]\n"
                "         [--item N IMAGE DESCRIPTION HELP]... [--remove-item N]...\n"
                "         [--banner TEXT] [--colors 0xHHLL] [--allow-missing-images]\n"
                "Changes an entry as the Menu Item Properties sheet does and writes the OSChooser\n"
                "file, then the loader file. Removals come first; --item numbers count after\n"
                "them. A loader file that cannot be read is never written.");
            return 0;
        }
    }
    ShareOptions options = TakeShareOptions(args);
    if (args.empty()) return UsageError("edit needs the entry's OSChooser file (see --help)");
    std::string wanted = args[0];
    args.erase(args.begin());
    EntryChanges c;
    if (!ParseChanges(args, c, false)) return 2;

    std::string root = OpenShare(options);
    if (root.empty()) return 1;
    EntryRow row;
    if (!FindEntry(root, wanted, row)) return Error("no entry " + wanted);
    MenuEntry entry(root);
    entry.Open(row.sifPath);
    if (c.hasDescription) entry.m_sif.SetValue("Description", c.description);
    if (c.hasHelp) entry.m_sif.SetValue("Help", c.help);
    bool loaderChanges = !c.items.empty() || !c.removals.empty() || c.hasBanner || c.hasColors;
    if (loaderChanges && !entry.m_loaderOpened) {
        std::string why = entry.m_loader.m_error ? res::LoadString(entry.m_loader.m_error) : "it is a newer version";
        return Error("the entry's loader file cannot be changed: " + why);
    }
    if (loaderChanges) {
        if (!ApplyLoaderChanges(c, entry.m_loader, entry.m_loader.GetFolder())) return 1;
        if (entry.m_loader.GetItemCount() == 0) return Error("an entry keeps at least one item");
    }
    if (!entry.m_loaderOpened) {
        // Only the OSChooser file can be written; say so, as the sheet does.
        return entry.m_sif.Save() ? 0 : 1;
    }
    if (!WriteEditedEntry(entry)) return 1;
    if (options.json) std::puts(JsonObject().Add("edited", Relative(root, row.sifPath)).Str().c_str());
    else std::printf("edited %s\n", Relative(root, row.sifPath).c_str());
    return 0;
}

}  // namespace cli
