#include "ui/entry_runners_ui.h"

#include <algorithm>

#include <QLabel>
#include <QPushButton>
#include <memory>
#include <vector>

#include "loader/layout.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_text.h"
#include "platform/framework/wizard_sheet.h"
#include "platform/message_box.h"
#include "res/entry_templates.h"
#include "res/string_table.h"
#include "store/entry_runners.h"
#include "store/menu_entry.h"
#include "ui/properties/edit_image_page.h"
#include "ui/properties/sif_info_page.h"
#include "ui/properties/view_loader_files_page.h"
#include "ui/wizard/menu_wiz_page.h"
#include "ui/wizard/select_image_wiz_page.h"
#include "ui/wizard/setup_wiz_page.h"
#include "ui/wizard/sif_info_wiz_page.h"

using namespace framework;

std::function<int(CPropertySheet&)> g_runEntrySheet;

namespace {

int RunSheet(CPropertySheet& sheet) { return g_runEntrySheet ? g_runEntrySheet(sheet) : sheet.DoModal(); }

// Nothing typed is lost to a save that cannot succeed: a sheet whose files
// cannot be written says which and why, and stays open.
bool WritableOrSaid(const std::string& problem) {
    if (problem.empty()) return true;
    platform::AfxMessageBox(std::string(res::LoadString(res::IDS_WRITE_PROTECTED)) + "\n" + problem,
                            platform::MB_OK | platform::MB_ICONERROR);
    return false;
}

// The property sheet, and that of an entry this user may read but not write: the
// pages can be looked at, OK is off, and a line above the buttons says why,
// naming the file.
class ReadOnlySheet : public CPropertySheet {
public:
    ReadOnlySheet(const std::string& caption, std::string why) : CPropertySheet(caption), m_why(std::move(why)) {}

protected:
    void BuildLayout(QSize pageSize) override {
        CPropertySheet::BuildLayout(pageSize);
        if (m_why.empty()) return;
        const BaseUnits units = DialogBaseUnits();
        const int margin = DluToPixelsX(7, units);
        QPushButton* ok = Button(IDOK);
        if (!ok) return;
        const int top = ok->y();
        // As many lines as the reason takes: a share path and its folder on
        // this computer are long, and a cut one names no file.
        auto* label = new QLabel(ToQt(m_why), Window());
        label->setWordWrap(true);
        const int width = Window()->width() - 2 * margin;
        const int text = std::max(label->heightForWidth(width), DluToPixelsY(8, units));
        const int line = text + DluToPixelsY(4, units);
        for (UINT id : {UINT(IDOK), UINT(IDCANCEL), UINT(ID_HELP)})
            if (QPushButton* button = Button(id)) button->move(button->x(), button->y() + line);
        label->setGeometry(margin, top, width, text);
        Window()->setFixedSize(Window()->width(), Window()->height() + line);
        ok->setEnabled(false);
        ok->setDefault(false);
    }

private:
    std::string m_why;
};

void MakeWizardPage(CPropertyPage& page) {
    page.m_psp.pszTitle = res::LoadString(res::IDS_WIZARD_TITLE);
    page.m_psp.dwFlags |= PSP_USETITLE | PSP_HASHELP;
}

}  // namespace

BOOL RunCreateWizardSheet(MenuEntry& entry, const std::string& folder) {
    CSetupWizPage setup(res::IDD_SETUP_WIZ, res::IDS_SETUP_TITLE, res::IDS_SETUP_SUBTITLE);
    CSifInfoWizPage sifInfo(res::IDD_SIFINFO_WIZ, res::IDS_SIFINFO_TITLE, res::IDS_SIFINFO_SUBTITLE);
    sifInfo.m_pSif = &entry.m_sif;
    CSelectImageWizPage selectImage(res::IDD_SELECT_IMAGE_WIZ, res::IDS_IMAGE_TITLE, res::IDS_IMAGE_SUBTITLE);
    selectImage.m_folder = folder;
    selectImage.m_pLoader = &entry.m_loader;
    std::vector<std::unique_ptr<CMenuWizPage>> items;
    for (unsigned number = 1; number <= layout::LDR_SLOT_COUNT; ++number) {
        auto page = std::make_unique<CMenuWizPage>(res::IDD_MENU_WIZ, res::IDS_IMAGE_TITLE, res::IDS_IMAGE_SUBTITLE);
        page->m_folder = folder;
        page->m_pLoader = &entry.m_loader;
        page->m_itemNumber = number;
        items.push_back(std::move(page));
    }

    CPropertySheetEx sheet("Create", nullptr, 0, res::IDB_WATERMARK);
    std::vector<CPropertyPage*> pages = {&setup, &sifInfo, &selectImage};
    for (auto& item : items) pages.push_back(item.get());
    for (CPropertyPage* page : pages) {
        MakeWizardPage(*page);
        sheet.AddPage(page);
    }
    sheet.m_psh.dwFlags &= ~PSH_HASHELP;
    sheet.m_psh.dwFlags |= PSH_WIZARD97 | PSH_WIZARD | PSH_WIZARDHASFINISH | PSH_NOAPPLYNOW;
    sheet.m_beforeClose = [&entry, &folder] { return WritableOrSaid(entry.WriteProblem(folder)); };

    if (RunSheet(sheet) != static_cast<int>(ID_WIZFINISH)) return FALSE;
    WriteNewEntry(entry, folder);
    return TRUE;
}

BOOL RunEntryPropertySheet(MenuEntry& entry) {
    StartMissingLoader(entry);
    MarkUnopenedLoader(entry);
    const int count = entry.m_loader.GetItemCount();
    CSifInfoPage sifInfo;
    sifInfo.m_pSif = &entry.m_sif;
    sifInfo.m_isSubmenu = count > 1;
    CViewLoaderFilesPage items;
    items.m_pLoader = &entry.m_loader;
    CEditImagePage image;
    image.m_pLoader = &entry.m_loader;
    if (entry.m_loaderMissing) image.m_missingLoader = entry.m_sif.GetLaunchFile();

    // One writability rule for opening read-only and for OK.
    const std::string readOnly = entry.WriteProblem();
    ReadOnlySheet sheet("Menu Item Properties", readOnly.empty() ? "" : "Read-only: " + readOnly);
    sheet.AddPage(&sifInfo);
    if (count >= 2) {
        sheet.AddPage(&items);
    } else {
        sheet.AddPage(&image);
    }
    sheet.m_psh.dwFlags |= PSH_NOAPPLYNOW;
    sheet.m_beforeClose = [&entry, &readOnly] {
        if (!readOnly.empty()) return WritableOrSaid(readOnly);  // Enter reaches OK while it is off
        if (!WritableOrSaid(entry.WriteProblem())) return false;
        if (const uint32_t note = entry.m_loader.TakeCountdownNote())
            platform::AfxMessageBox(note, platform::MB_OK | platform::MB_ICONINFORMATION);
        return true;
    };
    if (RunSheet(sheet) != IDOK) return FALSE;
    WriteEditedEntry(entry);
    return TRUE;
}

void InstallEntryRunners() { MenuEntry::SetRunners(&RunCreateWizardSheet, &RunEntryPropertySheet); }
