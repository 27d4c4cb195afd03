#include "entry_ui_common.h"

#include "editor_app.h"
#include "loader_file.h"
#include "message_box.h"
#include "property_page.h"
#include "resource.h"

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
