// Commands that write entries: create and edit. They change the documents
// exactly as the wizard and the property sheet do, check what those pages
// check, and write the files through the same runner steps and order.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/json_writer.h"
#include "cli/share.h"
#include "image/image_file_names.h"
#include "loader/layout.h"
#include "platform/file_system.h"
#include "res/string_table.h"
#include "store/entry_runners.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"

namespace cli {

namespace {

// The limits the pages set on their edit controls.
constexpr size_t kDescriptionLimit = layout::DESCRIPTION_MAX;
constexpr size_t kHelpLimit = layout::HELP_TEXT_MAX;
constexpr size_t kBannerLimit = layout::BANNER_MAX;
// Items are numbered from 1 here, as the wizard numbers its pages.
constexpr unsigned long kItemCount = layout::LDR_SLOT_COUNT;
const std::string kItemNumbers = "1 to " + std::to_string(kItemCount);
const std::string kTimeoutRange = "0 to " + std::to_string(layout::LDR_TIMEOUT_MAX);

struct Item {
    int slot = -1;
    std::string image, description, help;
};

// What create and edit take besides the share options.
struct EntryChanges {
    bool hasDescription = false, hasHelp = false, hasBanner = false, hasColors = false;
    std::string description, help, banner;
    uint16_t colors = 0;
    int defaultItem = 0;  // counted from 1 as --item counts; 0: not given
    int timeout = -1;     // seconds; -1: not given
    std::vector<Item> items;
    std::vector<int> removals;
    bool allowMissingImages = false;
    std::string language, tab = "tools", image;
};

bool Fail(const std::string& message) {
    std::fprintf(stderr, "menvolt-cli: %s\n", message.c_str());
    return false;
}

int UsageError(const std::string& message) {
    Fail(message);
    return kExitUsage;
}

int Error(const std::string& message) {
    Fail(message);
    return kExitFailed;
}

bool ParseChanges(std::vector<std::string>& args, EntryChanges& c, bool create) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& opt = args[i];
        auto value = [&](size_t n) { return i + n < args.size(); };
        unsigned long number = 0;
        if (opt == "--description" && value(1)) {
            c.hasDescription = true;
            if (!TakeText(args[++i], "--description", c.description)) return false;
        } else if (opt == "--help-text" && value(1)) {
            c.hasHelp = true;
            if (!TakeText(args[++i], "--help-text", c.help)) return false;
        } else if (opt == "--banner" && value(1)) {
            c.hasBanner = true;
            if (!TakeText(args[++i], "--banner", c.banner)) return false;
        } else if (opt == "--colors" && value(1)) {
            // Backgrounds are the first eight colours: bit 7 of each attribute stays 0.
            if (!ParseNumber(args[++i], 0, 0xFFFF, 0, number) || (number & 0x8080))
                return Fail("--colors takes 0xHHLL with backgrounds 0-7");
            c.hasColors = true;
            c.colors = static_cast<uint16_t>(number);
        } else if (opt == "--item" && value(4)) {
            Item item;
            if (!ParseNumber(args[i + 1], 1, kItemCount, 10, number))
                return Fail("--item numbers items " + kItemNumbers);
            item.slot = static_cast<int>(number);
            if (!TakeText(args[i + 2], "the image name", item.image) ||
                !TakeText(args[i + 3], "the item description", item.description) ||
                !TakeText(args[i + 4], "the item help text", item.help))
                return false;
            c.items.push_back(item);
            i += 4;
        } else if (opt == "--default" && value(1)) {
            if (!ParseNumber(args[++i], 1, kItemCount, 10, number))
                return Fail("--default numbers items " + kItemNumbers + ", as --item does");
            c.defaultItem = static_cast<int>(number);
        } else if (opt == "--timeout" && value(1)) {
            if (!ParseNumber(args[++i], 0, layout::LDR_TIMEOUT_MAX, 10, number))
                return Fail("--timeout takes seconds from " + kTimeoutRange + " (0: wait for a key)");
            c.timeout = static_cast<int>(number);
        } else if (opt == "--remove-item" && value(1) && !create) {
            if (!ParseNumber(args[++i], 1, kItemCount, 10, number))
                return Fail("--remove-item numbers items " + kItemNumbers);
            c.removals.push_back(static_cast<int>(number));
        } else if (opt == "--image" && value(1) && create) {
            if (!TakeText(args[++i], "--image", c.image)) return false;
        } else if (opt == "--language" && value(1) && create) {
            c.language = NameArgument(args[++i]);
        } else if (opt == "--tab" && value(1) && create) {
            c.tab = args[++i];
        } else if (opt == "--allow-missing-images") {
            c.allowMissingImages = true;
        } else {
            return Fail("unexpected '" + Shown(opt) + "' (see --help)");
        }
    }
    // The OSChooser file keeps its values between double quotes and has no
    // escape for one, so the pages refuse it too.
    if (c.description.find('"') != std::string::npos || c.help.find('"') != std::string::npos)
        return Fail("a description or help text cannot hold a double quote (\"): the OSChooser file stores "
                    "it between double quotes; use an apostrophe (') instead");
    auto atMost = [](const char* what, size_t limit) {
        return Fail(std::string(what) + " holds at most " + std::to_string(limit) + " characters");
    };
    if (c.description.size() > kDescriptionLimit) return atMost("a description", kDescriptionLimit);
    if (c.help.size() > kHelpLimit) return atMost("a help text", kHelpLimit);
    if (c.banner.size() > kBannerLimit) return atMost("a banner", kBannerLimit);
    for (const Item& item : c.items) {
        if (item.description.size() > kDescriptionLimit) return atMost("an item description", kDescriptionLimit);
        if (item.help.size() > kHelpLimit) return atMost("an item help text", kHelpLimit);
    }
    return true;
}

// The image rules of the pages: a bare name that the client can request, and
// (unless allowed) a file that exists in the entry folder.
bool CheckImage(const std::string& folder, const std::string& name, bool allowMissing,
                const std::string* serverPath = nullptr) {
    if (name.empty()) return true;  // boots from the hard drive
    if (unsigned problem = ImageFileNameProblem(folder, name, serverPath))
        return Fail(Shown(name) + ": " + res::LoadString(problem));
    if (!allowMissing && !ImageFileExistsIn(folder, name)) {
        // Not found because a folder on the way is a link out: nothing says
        // the image is missing, and saving anyway would not help.
        if (const std::string out = FolderLeadingOutside(ShareRootOf(folder), folder); !out.empty())
            return Fail(Shown(name) + ": " + UnreachableFolderText(ShareRootOf(folder), out));
        return Fail(Shown(name) + ": " + res::LoadString(res::IDS_IMAGE_MISSING_QUESTION) +
                    " (--allow-missing-images saves it anyway)");
    }
    return true;
}

// `serverPath`: the stored server path of an existing loader, which the
// client puts in front of the image names. Returns an exit status.
int ApplyLoaderChanges(const EntryChanges& c, LoaderFile& loader, const std::string& folder,
                       const std::string* serverPath = nullptr) {
    std::vector<int> removals = c.removals;
    std::sort(removals.rbegin(), removals.rend());  // from the bottom, so numbers stay valid
    for (int number : removals)
        if (!loader.RemoveItem(number - 1)) return UsageError("there is no item " + std::to_string(number));
    for (const Item& item : c.items) {
        if (!CheckImage(folder, item.image, c.allowMissingImages, serverPath)) return kExitFailed;
        if (item.slot - 1 > loader.GetItemCount()) return UsageError("items are numbered without gaps");
        if (!loader.SetItem(item.slot - 1, item.image, item.description, item.help))
            return Error(res::LoadString(res::IDS_LOADER_TOO_LARGE));
    }
    if (c.hasBanner && !loader.SetTitle(c.banner)) return Error(res::LoadString(res::IDS_LOADER_TOO_LARGE));
    if (c.hasColors) loader.SetColors(c.colors);
    if ((c.defaultItem || c.timeout >= 0) && !loader.HasOwnClient()) return Error(kForeignClient);
    if (c.timeout > 0 && loader.GetItemCount() < 2)
        return UsageError("--timeout: this entry has a single item, which a PC starts at once without a menu, so "
                          "there is no countdown to set");
    if (c.defaultItem > loader.GetItemCount())
        return UsageError("--default " + std::to_string(c.defaultItem) + ": there is no item " +
                          std::to_string(c.defaultItem));
    if (c.defaultItem) loader.SetDefaultItem(c.defaultItem - 1);
    if (c.timeout >= 0) loader.SetTimeout(c.timeout);
    // A countdown given here is the one chosen: nothing to tell.
    if (c.timeout > 0) loader.TakeCountdownNote();
    return kExitOk;
}

}  // namespace

int Create(std::vector<std::string> args) {
    ShareOptions options = TakeShareOptions(args);
    if (HelpRequested()) {
        std::printf(
            "usage: menvolt-cli [--share DIR] [--json] create --language NAME [--tab tools|images]\n"
            "         --description TEXT [--help-text TEXT]\n"
            "         (--image NAME | --item N IMAGE DESCRIPTION HELP ...)\n"
            "         [--banner TEXT] [--colors 0xHHLL] [--default N] [--timeout SECONDS]\n"
            "         [--allow-missing-images]\n"
            "Creates an entry as the Create Menu Wizard does: a single item (--image) or a\n"
            "submenu of up to %lu items (--item 1..%lu; an empty IMAGE boots the hard drive).\n"
            "Image files must lie in the entry folder unless --allow-missing-images is given.\n"
            "--default N is the item the menu starts on, --timeout the seconds after which\n"
            "it boots that item without a key (%s; 0 waits for a key).\n"
            "Writes the loader file, then the OSChooser file; prints the new entry.\n",
            kItemCount, kItemCount, kTimeoutRange.c_str());
        return kExitOk;
    }
    EntryChanges c;
    if (!ParseChanges(args, c, true)) return kExitUsage;
    int tab = ParseTab(c.tab);
    if (c.language.empty() || tab < 0) return UsageError("create needs --language and a --tab of tools or images");
    if (c.description.empty()) return UsageError("create needs a --description");
    if (c.image.empty() == c.items.empty()) return UsageError("create takes either --image or --item");
    if (c.items.size() > kItemCount) return UsageError(res::LoadString(res::IDS_MENU_LIMIT));
    if (!c.image.empty() && (c.hasBanner || c.hasColors || c.defaultItem || c.timeout >= 0))
        return UsageError("--banner, --colors, --default and --timeout belong to submenus");

    std::string root = OpenShare(options);
    if (root.empty()) return kExitFailed;
    std::string language;
    for (const std::string& l : ListLanguages(root))
        if (l == c.language) language = l;
    if (language.empty()) return Error("no language folder " + Shown(c.language) + " in the share");

    MenuStore store;
    store.Load(root, language, tab);
    if (!store.GetFolderProblem().empty()) return kExitFailed;  // the store said why
    const std::string folder = store.GetFolder();
    MenuEntry entry(root);
    entry.m_sif.SetValue("Description", c.description);
    entry.m_sif.SetValue("Help", c.help);
    if (!c.image.empty()) {
        // A single entry: one item holding only the image file name.
        if (!CheckImage(folder, c.image, c.allowMissingImages)) return kExitFailed;
        entry.m_loader.SetItem(0, c.image, "", "");
    } else {
        std::sort(c.items.begin(), c.items.end(), [](const Item& a, const Item& b) { return a.slot < b.slot; });
        if (int status = ApplyLoaderChanges(c, entry.m_loader, folder)) return status;
    }
    if (!WriteNewEntry(entry, folder)) return kExitFailed;  // it said why, and what it could not take back

    // Both files are written, through the folders WriteNewEntry held, when it
    // says so. Looking again by the path would look wherever the path leads
    // now, which need not be where they were written. No re-listing either:
    // another command reading the folder at this moment holds its files
    // exclusively, and a listing would then miss an entry that is there.
    std::string sif = Relative(root, entry.m_sif.GetPath());
    if (options.json)
        std::puts(JsonObject().Add("sif", sif).Add("loader", entry.m_sif.GetLaunchFile()).Str().c_str());
    else
        std::printf("created %s -> %s\n", Shown(sif).c_str(), Shown(entry.m_sif.GetLaunchFile()).c_str());
    return kExitOk;
}

int Edit(std::vector<std::string> args) {
    if (HelpRequested()) {
        std::puts(
            "usage: menvolt-cli [--share DIR] edit SIF [--description TEXT] [--help-text TEXT]\n"
            "         [--item N IMAGE DESCRIPTION HELP]... [--remove-item N]...\n"
            "         [--banner TEXT] [--colors 0xHHLL] [--default N] [--timeout SECONDS]\n"
            "         [--allow-missing-images]\n"
            "Changes an entry as the Menu Item Properties sheet does and writes the OSChooser\n"
            "file, then the loader file. Removals come first; --item numbers count after\n"
            "them. A loader file that cannot be read is never written; a missing one is\n"
            "created from the template when the loader changes.");
        return kExitOk;
    }
    ShareOptions options = TakeShareOptions(args);
    if (args.empty()) return UsageError("edit needs the entry's OSChooser file (see --help)");
    std::string wanted = NameArgument(args[0]);
    args.erase(args.begin());
    EntryChanges c;
    if (!ParseChanges(args, c, false)) return kExitUsage;

    std::string root = OpenShare(options);
    if (root.empty()) return kExitFailed;
    EntryRow row;
    std::string why;
    if (!FindEntry(root, wanted, row, why)) return Error(why);
    if (row.readOnly) return Error(res::LoadString(res::IDS_WRITE_PROTECTED));  // as the editor refuses it
    MenuEntry entry(root);
    if (!entry.Open(row.sifPath)) return Error(Shown(wanted) + ": " + res::LoadString(res::IDS_OPEN_ERROR));
    const std::string problem = entry.m_sif.EditProblem();
    if (!problem.empty()) return Error(Shown(wanted) + ": " + problem);
    if (c.hasDescription) entry.m_sif.SetValue("Description", c.description);
    if (c.hasHelp) entry.m_sif.SetValue("Help", c.help);
    bool loaderChanges = !c.items.empty() || !c.removals.empty() || c.hasBanner || c.hasColors || c.defaultItem ||
                         c.timeout >= 0;
    // A missing loader file holds nothing to lose: changes to it create it
    // from the template, as the property sheet does.
    if (loaderChanges) StartMissingLoader(entry);
    if (loaderChanges && !entry.m_loaderOpened) {
        std::string why = entry.m_loader.m_error ? entry.m_loader.ErrorText() : "it is a newer version";
        return Error("the entry's loader file cannot be changed: " + why);
    }
    if (loaderChanges) {
        const std::string serverPath = entry.m_loader.GetServerPath();
        if (int status = ApplyLoaderChanges(c, entry.m_loader, entry.m_loader.GetFolder(), &serverPath)) return status;
        if (entry.m_loader.GetItemCount() == 0) return Error("an entry keeps at least one item");
    }
    if (!entry.m_loaderOpened) {
        // Only the OSChooser file can be written; say so, as the sheet does.
        return entry.m_sif.Save() ? kExitOk : kExitFailed;
    }
    const uint32_t note = entry.m_loader.TakeCountdownNote();
    if (!WriteEditedEntry(entry)) return kExitFailed;
    JsonObject json;
    json.Add("edited", Relative(root, row.sifPath));
    if (note) json.Add("note", res::LoadString(note));
    if (options.json) std::puts(json.Str().c_str());
    else std::printf("edited %s\n%s%s", Shown(Relative(root, row.sifPath)).c_str(), note ? res::LoadString(note) : "",
                     note ? "\n" : "");
    return kExitOk;
}

}  // namespace cli
