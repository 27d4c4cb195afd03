#include "entry_ui_common.h"

#include "editor_app.h"
#include "loader_file.h"
#include "message_box.h"
#include "property_page.h"
#include "resource.h"
#include "sif_file.h"
#include "sif_info_wiz_page.h"

void ShowHelpContext(unsigned context) {
    if (CEditorApp* app = EditorApp()) app->ShowHelp(context);
}

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
    page.LimitText(IDC_SIF_DESCRIPTION, 65);
    page.LimitText(IDC_SIF_HELP, 260);
    page.KeepOnOneLine(IDC_SIF_HELP);
    if (!sif) return;
    page.SetDlgItemText(IDC_SIF_DESCRIPTION, sif->GetDescription());
    page.SetDlgItemText(IDC_SIF_HELP, sif->GetHelp());
}

void StoreSifFields(const framework::CPropertyPage& page, SifFile* sif) {
    if (!sif) return;
    sif->SetValue("Description", framework::OneLine(page.GetDlgItemText(IDC_SIF_DESCRIPTION)));
    sif->SetValue("Help", framework::OneLine(page.GetDlgItemText(IDC_SIF_HELP)));
}
