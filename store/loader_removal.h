// Whether removing an entry may also remove the loader file its LaunchFile
// names. Only a file that is plainly this entry's own loader goes: one in the
// entry's folder, that is a loader file, and that no other OSChooser file of
// the share names (any language, either menu, any vendor's folder); the
// OSChooser file must be the entry's only name (no symbolic or hard link).
#pragma once

#include <string>

// "" when the loader may be removed (or is not there to remove: the removal
// itself then reports that), else why it stays, for the user.
std::string WhyLoaderIsKept(const std::string& risRoot, const std::string& sifPath, const std::string& launchFile);
