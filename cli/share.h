// The installation share as the command line sees it: where it is, its
// languages, and the entries of every language and tab.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/menu_store.h"

namespace cli {

struct ShareOptions {
    std::string shareDir;  // --share DIR; empty: the share Samba publishes
    bool json = false;     // --json
};

// Takes --share DIR and --json out of the arguments, wherever they stand.
ShareOptions TakeShareOptions(std::vector<std::string>& args);

// Publishes the share and returns its root ("\\COMPUTER\RemInst\"), or ""
// after a message when there is none.
std::string OpenShare(const ShareOptions& options);

const char* TabName(int tab);   // "tools" or "images"
int ParseTab(const std::string& name);  // -1 when not a tab name

// A row of one language's and tab's store, and where it was listed.
struct EntryRow : MenuRow {
    std::string language;
    int tab = 0;
    int index = 0;  // row in the store's listing
};
const char* KindName(EntryKind kind);

// Every entry of the share, language by language, Tools before Images.
// Listing creates no folder: a command that only reads changes nothing.
// `skipped`, when given, receives what could not be listed and why: OSChooser
// files that cannot be read or lead outside the share, and folders.
std::vector<EntryRow> CollectEntries(const std::string& risRoot, const std::string& language = "",
                                     int tab = -1, std::vector<SkippedFile>* skipped = nullptr);

// The entry an argument names: the OSChooser file's path relative to the
// share (as `list` prints it), with either slash. Returns false when no
// listed entry has that path, with `why` saying so in a sentence: no such
// entry, one another command holds (busy, after waiting a moment), or one
// in a folder that cannot be reached.
bool FindEntry(const std::string& risRoot, const std::string& relativeSif, EntryRow& row, std::string& why);

// The first folder on the way from the share root to `path` (a folder or a
// file below it) that is a link leading outside the share; "" when none is.
std::string FolderLeadingOutside(const std::string& risRoot, const std::string& path);
// "\\COMPUTER\SHARE\" of a path below a share; "" for any other path.
std::string ShareRootOf(const std::string& path);
// "the folder F is not reachable (it is a link that leads outside the share)"
std::string UnreachableFolderText(const std::string& risRoot, const std::string& folder);

// The path relative to the share root.
std::string Relative(const std::string& risRoot, const std::string& path);

}  // namespace cli
