// The shape of an installation share, as the editor and the command line
// both walk it:
//   Setup\<language>\<menu>\<vendor>\<platform>\templates\tool<N>.sif
// with each entry's loader file, tool<N>.ldr, in the entry folder beside
// templates. Our entries live in the vendor folder kVendorFolder and the
// platform folder i386; other vendors' folders are only ever read.
#pragma once

#include <string>
#include <vector>

inline constexpr char kVendorFolder[] = "Zent";
inline constexpr char kPlatformFolder[] = "i386";
inline constexpr char kTemplatesFolder[] = "templates";

// The two menus, by tab: 0 is Tools ("Maintenance and Troubleshooting"),
// 1 is Images ("Automatic Setup").
inline constexpr int kMenuCount = 2;
// "Tools" for tab 0, "Images" for any other.
const char* MenuFolderName(int tab);

// "<root>Setup\<language>" (no trailing backslash).
std::string LanguageFolder(const std::string& risRoot, const std::string& language);

// The language folders under Setup, in listing order; files and dot-names
// are left out.
std::vector<std::string> ListLanguages(const std::string& risRoot);

// The folders from below the language folder down to our templates folder,
// each without a trailing backslash: ...\<menu>, ...\<menu>\Zent,
// ...\<menu>\Zent\i386, ...\<menu>\Zent\i386\templates.
std::vector<std::string> EntryFolderChain(const std::string& risRoot, const std::string& language, int tab);

// Our entry folder of a language and tab, "...\<menu>\Zent\i386\".
std::string EntryFolder(const std::string& risRoot, const std::string& language, int tab);

// The entry folder an OSChooser file belongs to:
// "...\i386\templates\tool<N>.sif" gives "...\i386\"; "" when the path is
// too short to have one.
std::string EntryFolderOf(const std::string& sifPath);

// Every templates folder of the share ("...\templates\"): every language,
// both menus, every vendor's and platform's folder. Only "." and ".." are
// left out, so that a check for files naming a loader misses none.
std::vector<std::string> ListAllTemplatesFolders(const std::string& risRoot);
