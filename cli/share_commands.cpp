// Commands on the installation share: list, show, remove, verify.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_text.h"
#include "cli/commands.h"
#include "cli/diskette_note.h"
#include "cli/web_name_note.h"
#include "cli/json_writer.h"
#include "cli/share.h"
#include "secureboot/signing.h"
#include "common/efi_program.h"
#include "image/image_boots_on.h"
#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "res/string_table.h"
#include "store/half_done.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "vmboot/vm_boot.h"

namespace cli {

namespace {

// main decided, before any "--" (cli_text.h).
bool WantsHelp(const std::vector<std::string>&) { return HelpRequested(); }

// Takes "--name VALUE" out of args; returns false when absent.
bool TakeValue(std::vector<std::string>& args, const std::string& name, std::string& value) {
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == name) {
            value = args[i + 1];
            args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
            return true;
        }
    }
    return false;
}

std::string ItemsJson(const LoaderFile& loader) {
    std::vector<std::string> items;
    for (int slot = 0; slot < loader.GetItemCount(); ++slot) {
        std::string image, description, help;
        loader.GetItem(slot, image, description, help);
        const ImageBoots boots = ItemBootsOn(loader.GetFolder(), image);
        // null where there is no UEFI program to be signed or not.
        const char* signedProgram = boots.uefiSigned == ImageBoots::Signed::Unknown ? "null"
                                    : boots.uefiSigned == ImageBoots::Signed::Yes   ? "true"
                                                                                    : "false";
        items.push_back(JsonObject()
                            .Add("item", static_cast<long>(slot + 1))
                            .Add("image", image)
                            .Add("description", description)
                            .Add("help", help)
                            .Add("bootsHardDrive", image.empty())
                            .Add("bootsOn", BootsOnText(boots))
                            .AddRaw("uefiSigned", signedProgram)
                            .Str());
    }
    return JsonArray(items);
}

// The one-entry commands: parses "[options] SIF", opens the share and finds
// the entry. Returns -1 to go on, else the exit code to return at once.
int TakeEntryArgument(std::vector<std::string>& args, const char* usage, ShareOptions& options,
                      std::string& root, EntryRow& row) {
    options = TakeShareOptions(args);
    if (WantsHelp(args) || args.size() != 1) {
        std::puts(usage);
        return WantsHelp(args) ? kExitOk : kExitUsage;
    }
    root = OpenShare(options);
    if (root.empty()) return kExitFailed;
    std::string why;
    if (!FindEntry(root, NameArgument(args[0]), row, why)) {
        std::fprintf(stderr, "menvolt-cli: %s\n", why.c_str());
        return kExitFailed;
    }
    return -1;
}

// What verify reports: a problem or a note about a file.
struct Problem {
    std::string file, what;
};

// What verify says of each item: the PCs it boots on.
struct ItemBoots {
    std::string file;  // the loader file, relative to the share
    int slot = 0;
    std::string image, bootsOn;
};

// A loader file NAME.ldr is served to UEFI PCs when NAME.efi, the UEFI
// network boot program, lies beside it: that program reads the loader file
// named after itself. Its machine type says which processor's PCs: 0 when
// there is none, or it is no EFI program of ours.
uint16_t ServedToUefi(const std::string& loaderPath) {
    const size_t dot = loaderPath.find_last_of('.');
    if (dot == std::string::npos || dot < loaderPath.find_last_of('\\') + 1) return 0;
    const platform::ReadResult r = platform::ReadWholeFile(loaderPath.substr(0, dot) + ".efi", size_t{64} << 20);
    if (r.error != platform::FileError::None) return 0;
    return common::EfiProgramMachine(common::ReadPeFacts(r.bytes.data(), r.bytes.size()));
}

// A folder is served to Secure Boot PCs when it holds Debian's shim, or a
// menvolt.efi (its .sbat names us) that is signed: what `menvolt-cli
// secureboot shim` and `sign` leave there.
bool ServedForSecureBoot(const std::string& folder) {
    if (platform::Exists(folder + "shimx64.efi")) return true;
    for (const platform::FindData& d : platform::ListMatches(folder + "*.efi")) {
        const platform::ReadResult r = platform::ReadWholeFile(folder + d.name, size_t{64} << 20);
        if (r.error != platform::FileError::None) continue;
        const common::PeFacts pe = common::ReadPeFacts(r.bytes.data(), r.bytes.size());
        const std::string sbat(r.bytes.begin() + static_cast<long>(pe.sbatOffset),
                               r.bytes.begin() + static_cast<long>(pe.sbatOffset + pe.sbatSize));
        if (pe.signedTable && sbat.find("\nmenvolt,") != std::string::npos) return true;
    }
    return false;
}

// Adds a row per item of the loader, and a note when it is served to UEFI
// PCs that none of its items boots, or to Secure Boot PCs that refuse an
// item's unsigned UEFI program.
void ListItemBoots(const std::string& file, const LoaderFile& loader, std::vector<ItemBoots>& items,
                   std::vector<Problem>& notes) {
    bool uefiX64 = false, uefiArm64 = false;
    const bool secureBoot = ServedForSecureBoot(loader.GetFolder());
    for (int slot = 0; slot < loader.GetItemCount(); ++slot) {
        const std::string image = loader.GetImageFile(slot);
        const ImageBoots boots = ItemBootsOn(loader.GetFolder(), image);
        uefiX64 = uefiX64 || boots.uefiX64;
        uefiArm64 = uefiArm64 || boots.uefiArm64;
        items.push_back({file, slot, image, BootsOnDetail(boots)});
        if (secureBoot && boots.uefiSigned == ImageBoots::Signed::No)
            notes.push_back({file, "item " + std::to_string(slot + 1) + " (" + image +
                                       "): its folder is served to Secure Boot PCs (a signed menvolt.efi or shim "
                                       "lies there), but its UEFI program is not signed, so they refuse it "
                                       "(menvolt-cli secureboot sign)"});
    }
    const uint16_t served = loader.GetItemCount() > 0 ? ServedToUefi(loader.GetPath()) : 0;
    if (served && !(served == common::kMachineArm64 ? uefiArm64 : uefiX64)) {
        const std::string pcs = std::string("UEFI ") + common::ProcessorName(served);
        notes.push_back({file, "served to " + pcs + " PCs (a .efi program of its name lies beside it), but none of "
                               "its items boots on " + pcs});
    }
}

const char kLoaderMissing[] = "the loader file is missing, so the entry has nothing to boot";

}  // namespace

int List(std::vector<std::string> args) {
    if (WantsHelp(args)) {
        std::puts("usage: menvolt-cli [--share DIR] [--json] list [--language NAME] [--tab tools|images]\n"
                  "Lists every menu entry: language, tab, description, kind and files. What\n"
                  "cannot be listed is named on standard error; exit status 1 when a folder of\n"
                  "entries (the Setup folder, a language's) cannot be read.");
        return kExitOk;
    }
    ShareOptions options = TakeShareOptions(args);
    std::string language, tabName;
    TakeValue(args, "--language", language);
    language = NameArgument(language);
    int tab = -1;
    if (TakeValue(args, "--tab", tabName) && (tab = ParseTab(tabName)) < 0) {
        std::fprintf(stderr, "menvolt-cli list: --tab is tools or images\n");
        return kExitUsage;
    }
    if (!args.empty()) {
        std::fprintf(stderr, "menvolt-cli list: unexpected '%s'\n", args[0].c_str());
        return kExitUsage;
    }
    std::string root = OpenShare(options);
    if (root.empty()) return kExitFailed;
    // An empty list must mean no entries, never a share that was not read.
    if (platform::LeadsOutsideShare(root + "Setup")) {
        std::fprintf(stderr, "menvolt-cli: nothing listed: %s\n", UnreachableFolderText(root, root + "Setup").c_str());
        return kExitFailed;
    }
    if (const std::string why = platform::UnlistableFolderReason(root + "Setup"); !why.empty()) {
        std::fprintf(stderr, "menvolt-cli: nothing listed: the folder Setup cannot be read: %s\n", why.c_str());
        return kExitFailed;
    }
    std::vector<std::string> json;
    std::vector<SkippedFile> skipped;
    for (const EntryRow& row : CollectEntries(root, language, tab, &skipped)) {
        MenuEntry entry(root);
        entry.Open(row.sifPath);
        std::string launchFile = entry.m_sif.GetLaunchFile();
        std::string sif = Relative(root, row.sifPath);
        const LoaderFile& loader = entry.m_loader;
        if (options.json) {
            JsonObject o;
            o.Add("language", row.language)
                .Add("tab", TabName(row.tab))
                .Add("description", row.description)
                .Add("kind", KindName(row.kind))
                .Add("sif", sif)
                .Add("loader", launchFile)
                .Add("readOnly", row.readOnly);
            if (entry.m_loaderOpened)
                o.Add("defaultItem", static_cast<long>(loader.GetDefaultItem() + 1))
                    .Add("timeout", static_cast<long>(loader.GetTimeout()))
                    .AddRaw("items", ItemsJson(loader));
            json.push_back(o.Str());
        } else {
            // A menu that boots by itself says so behind its line.
            std::string start = entry.m_loaderOpened && loader.GetTimeout() && loader.GetItemCount() > 1
                                    ? " (boots " + StartText(loader.GetDefaultItem(), loader.GetTimeout(), 1) + ")"
                                    : "";
            std::printf("%s %-6s %-10s %s %s -> %s%s%s\n", PadToColumns(Shown(row.language), 10).c_str(),
                        TabName(row.tab), KindName(row.kind),
                        PadToColumns("\"" + Shown(row.description) + "\"", 40).c_str(), Shown(sif).c_str(),
                        launchFile.empty() ? "(none)" : Shown(launchFile).c_str(), row.readOnly ? " (read-only)" : "",
                        start.c_str());
        }
    }
    if (options.json) std::puts(JsonArray(json).c_str());
    // What could not be listed is said, never silently left out.
    bool folderLost = false;
    for (const SkippedFile& s : skipped) {
        std::fprintf(stderr, "menvolt-cli: not listed: %s: %s\n", Shown(Relative(root, s.path)).c_str(), s.reason.c_str());
        folderLost = folderLost || s.isFolder;
    }
    return folderLost ? kExitFailed : kExitOk;
}

int ShowEntry(std::vector<std::string> args) {
    ShareOptions options;
    std::string root;
    EntryRow row;
    int done = TakeEntryArgument(args,
                                 "usage: menvolt-cli [--share DIR] [--json] show SIF\n"
                                 "Shows one entry: its OSChooser values and its loader's menu. SIF is the\n"
                                 "OSChooser file's path relative to the share, as `list` prints it.",
                                 options, root, row);
    if (done >= 0) return done;
    MenuEntry entry(root);
    entry.Open(row.sifPath);
    const uint32_t note = entry.m_loader.TakeCountdownNote();
    const LoaderFile& loader = entry.m_loader;
    std::string error = loader.m_error ? loader.ErrorText() : "";
    // Said of the loader file: its own cause would read as an image's.
    if (entry.m_loaderMissing) error = kLoaderMissing;
    if (options.json) {
        JsonObject o;
        o.Add("language", row.language)
            .Add("tab", TabName(row.tab))
            .Add("sif", Relative(root, row.sifPath))
            .Add("description", entry.m_sif.GetDescription())
            .Add("help", entry.m_sif.GetHelp())
            .Add("launchFile", entry.m_sif.GetLaunchFile())
            .Add("version", entry.m_sif.GetValue("Version"))
            .Add("kind", KindName(row.kind));
        if (row.kind != EntryKind::Unresolved) {
            char colors[8];
            std::snprintf(colors, sizeof colors, "0x%04X", loader.GetColors());
            o.Add("banner", loader.GetTitle()).Add("colors", colors).Add("serverPath", loader.GetServerPath());
            o.AddRaw("items", ItemsJson(loader));
            o.Add("defaultItem", static_cast<long>(loader.GetDefaultItem() + 1)).Add("timeout", static_cast<long>(loader.GetTimeout()));
            if (note) o.Add("note", res::LoadString(note));
        } else {
            o.Add("error", error);
        }
        std::puts(o.Str().c_str());
        return kExitOk;
    }
    std::printf("description: %s\nhelp:        %s\nlaunch file: %s\nversion:     %s\nkind:        %s\n",
                Shown(entry.m_sif.GetDescription()).c_str(), Shown(entry.m_sif.GetHelp()).c_str(),
                Shown(entry.m_sif.GetLaunchFile()).c_str(), Shown(entry.m_sif.GetValue("Version")).c_str(),
                KindName(row.kind));
    if (row.kind == EntryKind::Unresolved) {
        std::printf("loader:      %s\n", error.empty() ? "cannot be opened" : error.c_str());
        return kExitOk;
    }
    std::printf("banner:      %s\ncolors:      0x%04X\nserver path: %s\n", Shown(loader.GetTitle()).c_str(),
                loader.GetColors(), Shown(loader.GetServerPath()).c_str());
    std::printf("starts on:   %s\n", StartText(loader.GetDefaultItem(), loader.GetTimeout(), 1).c_str());
    if (note) std::printf("             %s\n", res::LoadString(note));
    for (int slot = 0; slot < loader.GetItemCount(); ++slot) {
        std::string image, description, help;
        loader.GetItem(slot, image, description, help);
        std::printf("item %d:      %s  [%s]\n             %s\n             boots on: %s\n", slot + 1,
                    Shown(description).c_str(), image.empty() ? "boot from hard drive" : Shown(image).c_str(),
                    Shown(help).c_str(), BootsOnDetail(ItemBootsOn(loader.GetFolder(), image)).c_str());
    }
    return kExitOk;
}

int Remove(std::vector<std::string> args) {
    ShareOptions options;
    std::string root;
    EntryRow row;
    int done = TakeEntryArgument(args,
                                 "usage: menvolt-cli [--share DIR] [--json] remove SIF\n"
                                 "Removes an entry: its OSChooser file, then its loader file unless another\n"
                                 "entry still names it. Nothing outside the share is ever removed.",
                                 options, root, row);
    if (done >= 0) return done;
    if (row.readOnly) {  // as the editor refuses it
        std::fprintf(stderr, "menvolt-cli: %s\n", res::LoadString(res::IDS_WRITE_PROTECTED));
        return kExitFailed;
    }
    // The entry is this very file, told by device and inode, wherever the
    // listing puts it now: other entries made or removed meanwhile move it
    // in the list but do not change it.
    MenuStore store;
    store.Load(root, row.language, row.tab);
    const int index = store.FindBySifPath(row.sifPath);
    for (const SkippedFile& s : store.GetSkipped()) {
        if (index < 0 && s.busy && s.path == row.sifPath) {
            std::fprintf(stderr, "menvolt-cli: %s is busy: another command holds it; try again\n",
                         Shown(Relative(root, row.sifPath)).c_str());
            return kExitFailed;
        }
    }
    const std::optional<platform::FileIdentity>& chosen = row.identity;
    const std::optional<platform::FileIdentity>& listed = store.Row(index).identity;
    if (!chosen || !listed || !listed->SameFile(*chosen)) {
        std::fprintf(stderr, "menvolt-cli: %s changed while it was being removed; nothing was removed. Try again.\n",
                     Shown(Relative(root, row.sifPath)).c_str());
        return kExitFailed;
    }
    if (!store.DeleteEntry(index, &*chosen)) return kExitFailed;  // the store has said why
    if (options.json) std::puts(JsonObject().Add("removed", Relative(root, row.sifPath)).Str().c_str());
    else std::printf("removed %s\n", Shown(Relative(root, row.sifPath)).c_str());
    return kExitOk;
}

// A temporary file this old, that nobody holds, was left by a program
// stopped mid-write.
constexpr int kStaleTemporarySeconds = 10 * 60;

int Verify(std::vector<std::string> args) {
    ShareOptions options = TakeShareOptions(args);
    const bool keepEdits = std::erase(args, std::string("--keep-edits")) > 0;
    const bool clean = std::erase(args, std::string("--clean")) > 0 || keepEdits;
    if (WantsHelp(args) || !args.empty()) {
        std::puts("usage: menvolt-cli [--share DIR] [--json] verify [--clean [--keep-edits]]\n"
                  "Checks every entry: its loader file, the image files its items name, a\n"
                  "LaunchFile outside the share, and loader files no entry names.\n"
                  "Temporary files a stopped program left (nobody holds them, older than ten\n"
                  "minutes) are problems too; --clean removes them. So are changes a command\n"
                  "left half-done; --clean undoes an edit, and removes the loader file that\n"
                  "a half-done create or removal left named by no entry. An edit is undone\n"
                  "unless asked otherwise, so the entry is whole as it was; --keep-edits keeps\n"
                  "its new OSChooser values instead (its loader file keeps the old ones).\n"
                  "Notes (which do not change the exit status) name plain diskette images\n"
                  "that start syslinux or GRUB and should be wrapped with menvolt-image wrap,\n"
                  "and loader files served to UEFI PCs none of whose items boots on UEFI: a\n"
                  "loader file NAME.ldr is served to them when NAME.efi (menvolt.efi, copied or\n"
                  "linked) lies beside it; and image names a PC reading over HTTP cannot fetch.\n"
                  "Every item says which PCs it boots on (BIOS, UEFI).\n"
                  "Exit status 1 when anything is wrong.");
        return WantsHelp(args) ? kExitOk : kExitUsage;
    }
    std::string root = OpenShare(options);
    if (root.empty()) return kExitFailed;

    std::vector<Problem> problems;
    std::vector<Problem> notes;
    std::vector<ItemBoots> itemBoots;
    std::set<std::string> namedLoaders;  // host paths
    std::set<std::string> entryFolders;
    std::vector<SkippedFile> skipped;
    if (platform::LeadsOutsideShare(root + "Setup"))
        problems.push_back({"Setup", "the folder leads outside the share; nothing in it was checked"});
    std::vector<EntryRow> rows = CollectEntries(root, "", -1, &skipped);
    for (const SkippedFile& s : skipped) problems.push_back({Relative(root, s.path), "not listed: " + s.reason});
    int done = 0;
    for (const EntryRow& row : rows) {
        if (!options.json && rows.size() > 20 && ++done % 20 == 0)
            std::fprintf(stderr, "verified %d of %zu entries\n", done, rows.size());
        std::string sif = Relative(root, row.sifPath);
        entryFolders.insert(EntryFolderOf(row.sifPath));
        MenuEntry entry(root);
        entry.Open(row.sifPath);
        std::string launchFile = entry.m_sif.GetLaunchFile();
        if (launchFile.empty()) {
            problems.push_back({sif, "names no loader file (LaunchFile is empty)"});
            continue;
        }
        if (!IsInsideShare(root, launchFile)) {
            problems.push_back({sif, "LaunchFile leads outside the share: " + launchFile});
            continue;
        }
        platform::ResolvedPath resolved = platform::Resolve(root + launchFile);
        if (resolved.exists) namedLoaders.insert(resolved.host.string());
        // The file on disk still counts down, and the client then starts its first item.
        if (entry.m_loader.TakeCountdownNote())
            problems.push_back({launchFile, "the start item names no item of the menu, yet a countdown is stored: a PC "
                                            "left alone starts item 1; edit the entry to turn the countdown off"});
        const LoaderFile& loader = entry.m_loader;
        if (loader.m_error || row.kind == EntryKind::Unresolved) {
            std::string why = loader.m_error ? loader.ErrorText() : "a newer format version";
            problems.push_back({launchFile, entry.m_loaderMissing ? std::string(kLoaderMissing) : "loader refused: " + why});
            continue;
        }
        for (const std::string& warning : LoaderWarnings(loader)) problems.push_back({launchFile, warning});
        std::string folder = loader.GetFolder();
        ListItemBoots(launchFile, loader, itemBoots, notes);
        for (int slot = 0; slot < loader.GetItemCount(); ++slot) {
            std::string image = loader.GetImageFile(slot);
            if (image.empty()) continue;  // boots from the hard drive
            if (loader.GetServerPath().size() + image.size() > layout::LDR_TFTP_NAME_MAX)
                problems.push_back({launchFile, "item " + std::to_string(slot + 1) + ": " +
                                                    res::LoadString(res::IDS_NAME_TOO_LONG)});
            if (std::string note = WebNameNote(loader.GetServerPath(), image); !note.empty())
                notes.push_back({launchFile, "item " + std::to_string(slot + 1) + ": " + note});
            if (!platform::Exists(folder + image))
                problems.push_back({launchFile, "item " + std::to_string(slot + 1) + ": image file missing: " + image});
            else if (std::string note = ExtendedMemoryDisketteNote(folder + image, image); !note.empty())
                notes.push_back({launchFile, "item " + std::to_string(slot + 1) + ": " + note});
        }
    }
    // Leftovers of a stopped program, in every entry folder and templates
    // folder of the share.
    std::vector<std::string> cleaned;
    for (const std::string& templates : ListAllTemplatesFolders(root)) {
        for (const std::string& folder : {templates, EntryFolderOf(templates + "x")}) {
            for (const std::string& name : platform::StaleTemporaryFiles(folder, kStaleTemporarySeconds)) {
                if (clean && platform::RemoveFile(folder + name) == platform::FileError::None)
                    cleaned.push_back(Relative(root, folder + name));
                else
                    problems.push_back({Relative(root, folder + name), "temporary file left by a stopped program "
                                                                       "(verify --clean removes it)"});
            }
        }
    }
    // Changes a command could neither finish nor undo, from the notes it
    // left beside their files.
    std::vector<std::string> settled;
    for (const std::string& templates : ListAllTemplatesFolders(root)) {
        for (const std::string& folder : {templates, EntryFolderOf(templates + "x")}) {
            for (const HalfDoneNote& note : FindHalfDoneNotes(folder)) {
                const bool named = namedLoaders.count(platform::Resolve(note.file).host.string()) > 0;
                const std::string what =
                    note.putBack ? "a half-done edit left new values here that its loader file lacks; verify --clean "
                                   "puts the file back as it was (--keep-edits keeps them)"
                    : named      ? "a half-done change was noted for this loader file, which an entry names again; "
                                   "verify --clean drops the note"
                                 : "a half-done create or removal left this loader file named by no entry; verify "
                                   "--clean removes it";
                const std::string why = clean ? SettleHalfDone(note, named, keepEdits) : "";
                if (clean && why.empty()) settled.push_back(Relative(root, note.file));
                else problems.push_back({Relative(root, note.file), clean ? what + "; it failed: " + why : what});
            }
        }
    }
    for (const std::string& file : cleaned) std::fprintf(stderr, "removed %s\n", Shown(file).c_str());
    for (const std::string& file : settled) std::fprintf(stderr, "settled the half-done change of %s\n", Shown(file).c_str());
    // Loader files in entry folders that no entry names.
    for (const std::string& folder : entryFolders) {
        for (const platform::FindData& d : platform::ListMatches(folder + "*.ldr")) {
            platform::ResolvedPath r = platform::Resolve(folder + d.name);
            if (d.isDirectory || namedLoaders.count(r.host.string())) continue;
            // An OSChooser file that could not be read may be the one that names it.
            problems.push_back({Relative(root, folder + d.name),
                                skipped.empty() ? "orphaned loader: no entry names it"
                                                : "orphaned loader: no entry names it of those that could be read"});
            // Still what a PC gets when its network boot program is named after it.
            LoaderFile orphan;
            if (ServedToUefi(folder + d.name) && orphan.Open(folder + d.name))
                ListItemBoots(Relative(root, folder + d.name), orphan, itemBoots, notes);
        }
    }

    if (options.json) {
        std::vector<std::string> items;
        for (const Problem& p : problems) items.push_back(JsonObject().Add("file", p.file).Add("problem", p.what).Str());
        std::vector<std::string> noteItems;
        for (const Problem& n : notes) noteItems.push_back(JsonObject().Add("file", n.file).Add("note", n.what).Str());
        std::vector<std::string> itemRows;
        for (const ItemBoots& i : itemBoots)
            itemRows.push_back(JsonObject()
                                   .Add("file", i.file)
                                   .Add("item", static_cast<long>(i.slot + 1))
                                   .Add("image", i.image)
                                   .Add("bootsOn", i.bootsOn)
                                   .Str());
        std::puts(JsonObject()
                      .Add("entries", static_cast<long>(rows.size()))
                      .Add("ok", problems.empty())
                      .AddRaw("problems", JsonArray(items))
                      .AddRaw("notes", JsonArray(noteItems))
                      .AddRaw("items", JsonArray(itemRows))
                      .Str()
                      .c_str());
    } else {
        // Names and texts come from the share: escaped, so none acts on the terminal.
        for (const ItemBoots& i : itemBoots)
            std::printf("%s: item %d (%s): boots on: %s\n", Shown(i.file).c_str(), i.slot + 1,
                        i.image.empty() ? "hard drive" : Shown(i.image).c_str(), i.bootsOn.c_str());
        for (const Problem& p : problems) std::printf("%s: %s\n", Shown(p.file).c_str(), Shown(p.what).c_str());
        for (const Problem& n : notes) std::printf("%s: note: %s\n", Shown(n.file).c_str(), Shown(n.what).c_str());
        std::printf("%s, %s\n", CountOf(rows.size(), "entry", "entries").c_str(),
                    CountOf(problems.size(), "problem", "problems").c_str());
    }
    return problems.empty() ? kExitOk : kExitFailed;
}

int TestBoot(std::vector<std::string> args) {
    bool window = false;
    std::string timeout = "60";
    unsigned long seconds = 60;
    if (TakeValue(args, "--timeout", timeout) && !HelpRequested() && !ParseNumber(timeout, 5, 3600, 10, seconds)) {
        std::fprintf(stderr, "menvolt-cli testboot: --timeout takes 5 to 3600 seconds\n");
        return kExitUsage;
    }
    std::string keys;
    const bool keysGiven = TakeValue(args, "--keys", keys);
    const bool secureBoot = std::erase(args, std::string("--secure-boot")) > 0;
    const bool arm64 = std::erase(args, std::string("--arm64")) > 0;
    const bool uefi = std::erase(args, std::string("--uefi")) > 0 || secureBoot || arm64;
    if (arm64 && secureBoot && !HelpRequested()) {
        std::fprintf(stderr, "menvolt-cli testboot: --arm64 boots without Secure Boot; give one of them\n");
        return kExitUsage;
    }
    if (keysGiven && !secureBoot && !HelpRequested()) {
        std::fprintf(stderr, "menvolt-cli testboot: --keys goes with --secure-boot\n");
        return kExitUsage;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--window") {
            window = true;
            args.erase(args.begin() + static_cast<long>(i));
            break;
        }
    }
    ShareOptions options;
    std::string root;
    EntryRow row;
    int done = TakeEntryArgument(args,
                                 "usage: menvolt-cli [--share DIR] [--json] testboot SIF [--uefi | --secure-boot [--keys DIR] | --arm64]\n"
                                 "                   [--window] [--timeout S]\n"
                                 "Boots the entry in a virtual PC (QEMU with its PXE boot ROM) as a client on the\n"
                                 "network would. Prints the client's first screen; --window opens the PC in a\n"
                                 "window to use it by hand instead. --uefi boots a UEFI PC (QEMU with the OVMF\n"
                                 "firmware) that starts menvolt.efi instead of the chain program. --secure-boot\n"
                                 "boots a UEFI PC with Secure Boot on that trusts the site key (of --keys DIR, see\n"
                                 "secureboot --help) and Microsoft's keys, and starts menvolt.efi signed with it.\n"
                                 "--arm64 boots a 64-bit ARM UEFI PC (QEMU's virt board with AAVMF) that starts\n"
                                 "menvolt-aa64.efi.\n"
                                 "Exit status 3 when QEMU (or, for UEFI, OVMF; for Secure Boot, sbsigntool) is\n"
                                 "not installed.",
                                 options, root, row);
    if (done >= 0) return done;
    std::string missing = vmboot::MissingEmulator(uefi, secureBoot, arm64);
    if (!missing.empty()) {
        std::fprintf(stderr, "menvolt-cli: %s\n", missing.c_str());
        return kExitNoQemu;
    }
    MenuEntry entry(root);
    entry.Open(row.sifPath);
    if (row.kind == EntryKind::Unresolved) {
        std::string why = entry.m_loader.m_error ? entry.m_loader.ErrorText() : "cannot be opened";
        std::fprintf(stderr, "menvolt-cli: the entry's loader file %s\n", why.c_str());
        return kExitFailed;
    }
    vmboot::Request request;
    request.loaderHostPath = platform::Resolve(entry.m_loader.GetPath()).host.string();
    request.folderHostPath = platform::Resolve(entry.m_loader.GetFolder()).host.string();
    request.serverPath = entry.m_loader.GetServerPath();
    request.chainHostPath = vmboot::FindChainProgram();
    request.uefi = uefi;
    request.efiHostPath = vmboot::FindEfiProgram(arm64);
    request.secureBoot = secureBoot;
    request.arm64 = arm64;
    request.keyFolder = keys;
    request.headless = !window;
    request.timeoutSeconds = static_cast<int>(seconds);
    if (request.headless && !options.json) std::fprintf(stderr, "booting %s in QEMU...\n", args[0].c_str());
    vmboot::Result result = vmboot::Run(request);
    if (options.json) {
        std::vector<std::string> rows;
        for (const std::string& r : result.screen) rows.push_back(JsonString(r));
        JsonObject json;
        json.Add("ok", result.ok).Add("message", result.message);
        if (secureBoot) json.Add("trusts", result.trusts);
        std::puts(json.AddRaw("screen", JsonArray(rows)).Str().c_str());
    } else {
        if (!result.trusts.empty())
            std::fprintf(stderr, "%s (key folder %s)\n", result.trusts.c_str(),
                         (keys.empty() ? secureboot::DefaultKeyFolder() : keys).c_str());
        for (const std::string& r : result.screen) std::puts(r.c_str());
        if (!result.message.empty()) std::fprintf(stderr, "%s\n", result.message.c_str());
    }
    return result.ok ? kExitOk : kExitFailed;
}

}  // namespace cli
