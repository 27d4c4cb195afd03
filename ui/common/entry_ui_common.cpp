#include "ui/common/entry_ui_common.h"

#include <utility>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/framework/property_page.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "store/sif_file.h"

BOOL StoreLoaderItem(LoaderFile& loader, int slot, const std::string& imageFile, const std::string& description,
                     const std::string& helpText) {
    const std::string help = framework::OneLine(helpText);
    if (loader.SetItem(slot, imageFile, framework::OneLine(description), help)) return TRUE;
    std::string wrapped;
    platform::AfxMessageBox(LoaderFile::WrapText(help, wrapped) ? res::IDS_LOADER_TOO_LARGE : res::IDS_HELP_TOO_LONG,
                            platform::MB_OK | platform::MB_ICONERROR);
    return FALSE;
}

void ShowSifFields(framework::CPropertyPage& page, const SifFile* sif) {
    page.LimitText(IDC_SIF_DESCRIPTION, layout::DESCRIPTION_MAX);
    page.LimitText(IDC_SIF_HELP, layout::HELP_TEXT_MAX);
    page.KeepOnOneLine(IDC_SIF_HELP);
    if (!sif) return;
    page.SetDlgItemText(IDC_SIF_DESCRIPTION, sif->GetDescription());
    page.SetDlgItemText(IDC_SIF_HELP, sif->GetHelp());
}

BOOL StoreSifFields(framework::CPropertyPage& page, SifFile* sif) {
    if (!sif) return TRUE;
    const std::string description = page.GetDlgItemText(IDC_SIF_DESCRIPTION);
    const std::string help = page.GetDlgItemText(IDC_SIF_HELP);
    for (auto [id, text] : {std::pair{IDC_SIF_DESCRIPTION, &description}, std::pair{IDC_SIF_HELP, &help}}) {
        if (text->find('"') == std::string::npos) continue;
        platform::AfxMessageBox(res::IDS_NO_DOUBLE_QUOTE, platform::MB_OK | platform::MB_ICONERROR);
        page.SetFocusTo(id);
        return FALSE;
    }
    sif->SetValue("Description", framework::OneLine(description));
    sif->SetValue("Help", framework::OneLine(help));
    return TRUE;
}
