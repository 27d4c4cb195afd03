// Small helpers shared by the wizard pages, the property pages and the
// appearance dialog.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace framework {
class CDialog;
}


class LoaderFile;
class SifFile;

namespace framework {
class CPropertyPage;
}

// The OSChooser fields shared by the wizard's and the property sheet's
// description pages: ShowSifFields limits and fills them, StoreSifFields
// writes them back on one line. Both do nothing without a file. A double
// quote, which the file cannot hold, is refused with a message: StoreSifFields
// then returns FALSE with the focus on the field and the file unchanged.
void ShowSifFields(framework::CPropertyPage& page, const SifFile* sif);
BOOL StoreSifFields(framework::CPropertyPage& page, SifFile* sif);

// SetItem with texts on one line; when the loader refuses the item (its help
// text too long for the client screen, or the file over 8192 bytes) the user
// is told why and FALSE comes back, with the loader unchanged.
BOOL StoreLoaderItem(LoaderFile& loader, int slot, const std::string& imageFile, const std::string& description,
                     const std::string& helpText);
