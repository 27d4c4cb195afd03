// Whether removing an entry may also remove the loader file its LaunchFile
// names. Only a file that is plainly this entry's own loader goes: one in the
// entry's folder, that is a loader file, and that no other OSChooser file of
// the share names (any language, either menu, any vendor's folder); the
// OSChooser file must be the entry's only name (no symbolic or hard link).
#pragma once

#include <string>

#include "platform/file_system.h"

// "" when the loader may be removed (or is not there to remove: the removal
// itself then reports that), else why it stays, for the user. Both files
// are judged through the places the removal holds (links not followed), so
// a folder swapped meanwhile cannot change the verdict on what goes.
std::string WhyLoaderIsKept(const std::string& risRoot, const platform::HeldFile& sif, const platform::HeldFile& loader);
