// What a host folder offered as the share holds, so that a start-up that
// cannot use it says what it found there rather than guessing.
#pragma once

#include <filesystem>

namespace platform {

enum class ShareFolderState {
    Missing,      // nothing of that name
    NotAFolder,   // a file, or something else that is not a folder
    Unreadable,   // a folder whose listing is refused
    Empty,        // a folder with nothing in it
    NoSetup,      // entries, but no Setup folder among them
    NoLanguage,   // a Setup folder with no language folder in it
    HasLanguages, // the shape the editor works on
};

// Names are matched without regard to case, as the share's Windows paths
// are; a language folder is any folder in Setup whose name does not start
// with a dot.
ShareFolderState InspectShareFolder(const std::filesystem::path& folder);

}  // namespace platform
