// The create wizard and the property sheet of one entry, as the store runs
// them through MenuEntry::RunCreateWizard and MenuEntry::RunPropertySheet.
#pragma once

#include <functional>
#include <string>

#include "platform/win_types.h"

class MenuEntry;
namespace framework {
class CPropertySheet;
}

// Builds and runs the "Create" wizard; on Finish writes the new entry's
// files. TRUE when the wizard ended with Finish.
BOOL RunCreateWizardSheet(MenuEntry& entry, const std::string& folder);
// Builds and runs "Menu Item Properties"; on OK writes the entry back. TRUE
// when the sheet ended with OK.
BOOL RunEntryPropertySheet(MenuEntry& entry);

// Makes the store's Add and Properties open these.
void InstallEntryRunners();

// Tests drive the sheets without a modal loop: when set, this runs in place
// of DoModal with the built sheet and returns its result.
extern std::function<int(framework::CPropertySheet&)> g_runEntrySheet;
