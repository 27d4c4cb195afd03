// Add and Properties in the main window, through the real wizard and sheet.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

#include "app/editor_app.h"
#include "store/menu_store.h"
#include "store/sif_file.h"
#include "tests/support/entry_fixture.h"
#include "ui/entry_runners_ui.h"
#include "ui/main_window/main_dlg.h"
#include "ui/properties/sif_info_page.h"
#include "ui/wizard/select_image_wiz_page.h"
#include "ui/wizard/setup_wiz_page.h"
#include "ui/wizard/sif_info_wiz_page.h"

using namespace framework;
using namespace menvolt_test;

namespace {

struct MainWindowEntryTest : EntryTest {
    CEditorApp app;
    CMainDlg dialog;

    void Open() {
        app.m_risRoot = root;
        app.m_languages = {"English"};
        app.m_tab = 0;
        app.SelectLanguage("English");
        dialog.m_pStore = &CEditorApp::Store();
        dialog.m_pHost = &app;
        InstallEntryRunners();
        ASSERT_TRUE(dialog.Create());
    }
    std::vector<std::string> Rows() const {
        std::vector<std::string> rows;
        for (int i = 0; i < dialog.m_list->topLevelItemCount(); ++i)
            rows.push_back(dialog.m_list->topLevelItem(i)->text(0).toStdString());
        return rows;
    }
    void Select(int row) {
        dialog.m_list->clearSelection();
        dialog.m_list->topLevelItem(row)->setSelected(true);
    }
    // The next sheet the runners open is driven by `script`.
    void Drive(std::function<void(CPropertySheet&)> script) {
        g_runEntrySheet = [script](CPropertySheet& sheet) {
            EXPECT_TRUE(sheet.Create());
            Flush();
            script(sheet);
            const int result = sheet.IsEnded() ? sheet.Result() : 2;
            sheet.DestroyWindow();
            return result;
        };
    }
};

TEST_F(MainWindowEntryTest, AddCreatesTheEntryAndSelectsIt) {
    WriteEntry(0, "First", 2);
    WriteEntry(2, "Last", 1);
    Open();
    menvolt_test::WriteText(HostFile("middle.img"), "image");
    Drive([&](CPropertySheet& sheet) {
        Press(sheet, PSBTN_NEXT);
        Active<CSifInfoWizPage>(sheet)->SetDlgItemText(IDC_SIF_DESCRIPTION, "Middle");
        Flush();
        Press(sheet, PSBTN_NEXT);
        Active<CSelectImageWizPage>(sheet)->SetDlgItemText(49, "middle.img");
        Flush();
        Press(sheet, PSBTN_FINISH);
    });
    dialog.Item<QPushButton>(IDC_MAIN_ADD)->click();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"First", "Middle", "Last"}));
    EXPECT_EQ(dialog.SelectedRow(), 1);
    EXPECT_EQ(CEditorApp::Store().Row(1).kind, EntryKind::Single);
    EXPECT_TRUE(LoaderAccepted(HostFile("tool1.ldr"), folder + "tool1.ldr"));

    // Cancel changes nothing.
    Drive([&](CPropertySheet& sheet) { Press(sheet, PSBTN_CANCEL); });
    dialog.Item<QPushButton>(IDC_MAIN_ADD)->click();
    EXPECT_EQ(Rows().size(), 3u);
    EXPECT_EQ(dialog.SelectedRow(), 1);
}

TEST_F(MainWindowEntryTest, PropertiesWritesTheEntryAndReturnsToRowZero) {
    WriteEntry(0, "First", 2);
    WriteEntry(1, "Second", 3);
    Open();
    Select(1);
    Drive([&](CPropertySheet& sheet) {
        Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_DESCRIPTION, "Second, renamed");
        Press(sheet, PSBTN_OK);
    });
    dialog.Item<QPushButton>(IDC_MAIN_PROPERTIES)->click();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"First", "Second, renamed"}));
    EXPECT_EQ(dialog.SelectedRow(), 0);
    EXPECT_EQ(CEditorApp::Store().Row(1).kind, EntryKind::Submenu);
    EXPECT_TRUE(LoaderAccepted(HostFile("tool1.ldr"), folder + "tool1.ldr"));
}

// A wizard whose OSChooser file did not land: the loader is there, the entry
// is not listed, and the list selects row 0.
BOOL CreateWithoutOsChooserFile(MenuEntry& entry, const std::string& folder) {
    entry.m_folder = folder;
    std::string loader, sif;
    entry.AllocateFileNames(loader, sif);
    entry.m_loader.SaveAs(folder + loader);
    entry.m_sif.SetValue("Description", "Lost");
    return TRUE;
}

TEST_F(MainWindowEntryTest, AnAddedEntryMissingFromTheListLeavesRowZeroSelected) {
    WriteEntry(0, "First", 2);
    WriteEntry(1, "Second", 2);
    Open();
    Select(1);
    MenuEntry::SetRunners(&CreateWithoutOsChooserFile, nullptr);
    dialog.Item<QPushButton>(IDC_MAIN_ADD)->click();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(dialog.SelectedRow(), 0);
}

}  // namespace
