// Writes one submenu entry through the create wizard, driven as a user would
// drive it, into the share folder given on the command line:
//   wizard_entry_writer SHARE_DIR IMAGE_FILE
// Item 1 boots IMAGE_FILE (copied into the entry folder as small.img), item 2
// boots from the hard drive. Used by the end-to-end boot of a written entry.
#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/wizard_sheet.h"
#include "store/menu_entry.h"
#include "ui/entry_runners_ui.h"
#include "ui/wizard/menu_wiz_page.h"
#include "ui/wizard/setup_wiz_page.h"
#include "ui/wizard/sif_info_wiz_page.h"

using namespace framework;
namespace fs = std::filesystem;

namespace {

void Flush() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void Press(CPropertySheet& sheet, int button) {
    sheet.PressButton(button);
    Flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s SHARE_DIR IMAGE_FILE\n", argv[0]);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    InstallDialogFont();
    const fs::path share = fs::absolute(argv[1]);
    const fs::path entryFolder = share / "Setup" / "English" / "Tools" / "Zent" / "i386";
    fs::create_directories(entryFolder / "templates");
    fs::copy_file(argv[2], entryFolder / "small.img", fs::copy_options::overwrite_existing);
    platform::MapShare("TESTHOST", "RemInst", share);
    const std::string folder = "\\\\TESTHOST\\RemInst\\Setup\\English\\Tools\\Zent\\i386\\";

    bool driven = false;
    g_runEntrySheet = [&driven](CPropertySheet& base) {
        auto& sheet = static_cast<CPropertySheetEx&>(base);
        if (!sheet.Create()) return 2;
        Flush();
        sheet.GetActivePage()->CheckRadioButton(IDC_SETUP_SINGLE, IDC_SETUP_SUBMENU, IDC_SETUP_SUBMENU);
        Press(sheet, PSBTN_NEXT);
        sheet.GetActivePage()->SetDlgItemText(IDC_SIF_DESCRIPTION, "Written by the wizard");
        Flush();
        Press(sheet, PSBTN_NEXT);
        CPropertyPage* first = sheet.GetActivePage();
        first->SetDlgItemText(IDC_MENU_DESCRIPTION, "Small program");
        first->SetDlgItemText(IDC_MENU_HELP, "Boots the small program from the server.");
        first->SetDlgItemText(49, "small.img");
        Flush();
        Press(sheet, PSBTN_NEXT);
        CPropertyPage* second = sheet.GetActivePage();
        second->SetDlgItemText(IDC_MENU_DESCRIPTION, "Boot from hard drive");
        second->CheckDlgButton(IDC_MENU_HARD_DRIVE, TRUE);
        second->Dispatch(IDC_MENU_HARD_DRIVE, BN_CLICKED, false);
        Flush();
        Press(sheet, PSBTN_FINISH);
        driven = sheet.IsEnded();
        return sheet.IsEnded() ? sheet.Result() : 2;
    };
    MenuEntry entry("\\\\TESTHOST\\RemInst\\");
    if (!RunCreateWizardSheet(entry, folder) || !driven) {
        std::fprintf(stderr, "the wizard did not finish\n");
        return 1;
    }
    std::printf("%s\n", (entryFolder / "tool0.ldr").string().c_str());
    return fs::exists(entryFolder / "tool0.ldr") && fs::exists(entryFolder / "templates" / "tool0.sif") ? 0 : 1;
}
