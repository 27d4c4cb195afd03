// The "Menu Item Properties" sheet: which pages, what they change, and what
// OK writes back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QToolTip>
#include <sys/stat.h>

#include <cstring>
#include <QPushButton>
#include <QTabBar>
#include <QTreeWidget>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/ansi_text.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "store/menu_store.h"
#include "store/sif_file.h"
#include "tests/support/efi_program_maker.h"
#include "tests/support/entry_fixture.h"
#include "ui/common/appearance_dlg.h"
#include "ui/properties/edit_image_page.h"
#include "ui/common/client_screen_view.h"
#include "ui/common/entry_ui_common.h"
#include "ui/common/start_dlg.h"
#include "ui/common/start_summary.h"
#include "ui/entry_runners_ui.h"
#include "ui/properties/sif_info_page.h"
#include "ui/properties/submenu_item_dlg.h"
#include "ui/properties/view_loader_files_page.h"
#include "ui/wizard/sif_info_wiz_page.h"

using namespace framework;
using namespace menvolt_test;
using menvolt_test::ReadBytes;
using menvolt_test::WriteBytes;
using menvolt_test::WriteText;

namespace {

struct ItemDialogScript {
    int calls = 0;
    int result = IDOK;
    std::string image, description, help;
    BOOL sawAdding = -1;
    std::string sawImage, sawDescription, sawHelp, sawFolder;
};
ItemDialogScript g_item;

int ScriptedItemDialog(CSubmenuItemDlg& dialog) {
    ++g_item.calls;
    g_item.sawAdding = dialog.m_adding;
    g_item.sawImage = dialog.m_imageFile;
    g_item.sawDescription = dialog.m_description;
    g_item.sawHelp = dialog.m_helpText;
    g_item.sawFolder = dialog.m_folder;
    if (g_item.result == IDOK) {
        dialog.m_imageFile = g_item.image;
        dialog.m_description = g_item.description;
        dialog.m_helpText = g_item.help;
    }
    return g_item.result;
}

struct PropertiesTest : EntryTest {
    MenuEntry entry{root};
    int (*m_realItemDialog)(CSubmenuItemDlg&) = nullptr;
    void SetUp() override {
        EntryTest::SetUp();
        g_item = {};
        m_realItemDialog = CViewLoaderFilesPage::s_runItemDialog;
        CViewLoaderFilesPage::s_runItemDialog = &ScriptedItemDialog;
    }
    void TearDown() override {
        EntryTest::TearDown();
        CViewLoaderFilesPage::s_runItemDialog = m_realItemDialog;
    }
    void Open(int number) { ASSERT_TRUE(entry.Open(folder + "templates\\tool" + std::to_string(number) + ".sif")); }
    std::vector<std::string> Rows(CViewLoaderFilesPage* page) {
        std::vector<std::string> rows;
        for (int i = 0; i < page->m_list->topLevelItemCount(); ++i)
            rows.push_back(page->m_list->topLevelItem(i)->text(0).toStdString());
        return rows;
    }
    void SelectRow(CViewLoaderFilesPage* page, int row) {
        page->m_list->clearSelection();
        page->m_list->topLevelItem(row)->setSelected(true);
    }
};

TEST_F(PropertiesTest, SecondTabFollowsTheItemCount) {
    WriteEntry(0, "One", 1);
    WriteEntry(1, "Three", 3);
    Open(0);
    RunSheet(entry, [&](CPropertySheet& sheet) {
        EXPECT_EQ(sheet.Window()->windowTitle(), "Menu Item Properties");
        ASSERT_EQ(sheet.GetPageCount(), 2);
        EXPECT_NE(dynamic_cast<CSifInfoPage*>(sheet.GetPage(0)), nullptr);
        EXPECT_EQ(sheet.GetPage(1)->TemplateId(), 137u);
        EXPECT_EQ(sheet.Tabs()->Bar()->tabText(0), "Menu Item");
        EXPECT_EQ(sheet.Tabs()->Bar()->tabText(1), "Image");
        Press(sheet, PSBTN_CANCEL);
    });
    MenuEntry submenu(root);
    ASSERT_TRUE(submenu.Open(folder + "templates\\tool1.sif"));
    RunSheet(submenu, [&](CPropertySheet& sheet) {
        ASSERT_EQ(sheet.GetPageCount(), 2);
        EXPECT_NE(dynamic_cast<CViewLoaderFilesPage*>(sheet.GetPage(1)), nullptr);
        EXPECT_EQ(sheet.Tabs()->Bar()->tabText(1), "Submenu");
        EXPECT_EQ(sheet.Button(ID_WIZNEXT), nullptr);
        Press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(PropertiesTest, OkWithoutChangesRewritesBothFilesWithAFreshChecksum) {
    WriteEntry(0, "Three", 3);
    std::vector<uint8_t> before = ReadBytes(HostFile("tool0.ldr"));
    std::filesystem::last_write_time(HostFile("tool0.ldr"), std::filesystem::file_time_type::clock::now() -
                                                                 std::chrono::hours(1));
    std::filesystem::last_write_time(HostFile("templates/tool0.sif"),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    auto loaderTime = std::filesystem::last_write_time(HostFile("tool0.ldr"));
    auto sifTime = std::filesystem::last_write_time(HostFile("templates/tool0.sif"));
    Open(0);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) { Press(sheet, PSBTN_OK); }));
    EXPECT_GT(std::filesystem::last_write_time(HostFile("tool0.ldr")), loaderTime);
    EXPECT_GT(std::filesystem::last_write_time(HostFile("templates/tool0.sif")), sifTime);
    EXPECT_EQ(ReadBytes(HostFile("tool0.ldr")), before);
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

TEST_F(PropertiesTest, MenuItemTabStoresAnEmptyDescription) {
    WriteEntry(0, "Named", 1);
    Open(0);
    WriteText(HostFile("disk1.img"), "image");
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        auto* info = Active<CSifInfoPage>(sheet);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->GetDlgItemText(IDC_SIF_DESCRIPTION), "Named");
        info->SetDlgItemText(IDC_SIF_DESCRIPTION, "");
        info->SetDlgItemText(IDC_SIF_HELP, "two\nlines");
        Press(sheet, PSBTN_OK);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    SifFile sif;
    ASSERT_TRUE(sif.Load(folder + "templates\\tool0.sif"));
    EXPECT_EQ(sif.GetDescription(), "");
    EXPECT_EQ(sif.GetHelp(), "two lines");
    EXPECT_EQ(sif.GetLaunchFile(), relative + "tool0.ldr");  // an edit never renames
}

TEST_F(PropertiesTest, EightItemsRefuseAddWithoutOpeningTheDialog) {
    WriteEntry(0, "Full", 8);
    Open(0);
    RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        page->Item<QPushButton>(IDC_LOADER_ADD)->click();
        EXPECT_EQ(g_item.calls, 0);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Menus are limited to 8 items.");
        EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::ErrorBox);
        EXPECT_EQ(entry.m_loader.GetItemCount(), 8);
        Press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(PropertiesTest, AddAndEditGoThroughTheItemDialog) {
    WriteEntry(0, "Menu", 2);
    Open(0);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(Rows(page), (std::vector<std::string>{"Item 1", "Item 2"}));
        EXPECT_EQ(page->SelectedRow(), 0);
        g_item.description = "Hard disk";
        g_item.help = "Pasted\nbreak";
        page->Item<QPushButton>(IDC_LOADER_ADD)->click();
        EXPECT_EQ(g_item.sawAdding, TRUE);
        EXPECT_EQ(g_item.sawFolder, folder);
        EXPECT_EQ(Rows(page).size(), 3u);
        EXPECT_EQ(page->SelectedRow(), 2);
        EXPECT_EQ(entry.m_loader.GetImageFile(2), "");
        EXPECT_EQ(entry.m_loader.GetHelpText(2), "Pasted break");

        // Edit shows the stored strings and stores the dialog's.
        SelectRow(page, 1);
        g_item.image = "new.img";
        g_item.description = "Renamed";
        g_item.help = "";
        emit page->m_list->itemDoubleClicked(page->m_list->topLevelItem(1), 0);
        EXPECT_EQ(g_item.sawAdding, FALSE);
        EXPECT_EQ(g_item.sawImage, "disk2.img");
        EXPECT_EQ(g_item.sawHelp, "Help for item 2");
        EXPECT_EQ(Rows(page)[1], "Renamed");
        EXPECT_EQ(page->SelectedRow(), 1);

        // Cancel in the dialog changes nothing.
        g_item.result = IDCANCEL;
        g_item.description = "Never";
        page->Item<QPushButton>(IDC_LOADER_PROPERTIES)->click();
        EXPECT_EQ(Rows(page)[1], "Renamed");
        Press(sheet, PSBTN_OK);
    }));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetItemCount(), 3);
    EXPECT_EQ(loader.GetDescription(1), "Renamed");
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

TEST_F(PropertiesTest, DeletingMiddleAndBottomRowsMovesTheSelection) {
    WriteEntry(0, "Menu", 4);
    Open(0);
    RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        SelectRow(page, 1);
        page->Item<QPushButton>(IDC_CLIENT_PREVIEW)->click();
        ASSERT_TRUE(page->m_preview.IsOpen());
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();  // the script says No
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, "Are you sure you want to delete the selected item?");
        EXPECT_EQ(messages.shown[0].caption, "Delete Item");
        EXPECT_EQ(Rows(page).size(), 4u);

        messages.Answer(IDYES);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        EXPECT_EQ(Rows(page), (std::vector<std::string>{"Item 1", "Item 3", "Item 4"}));
        EXPECT_EQ(page->SelectedRow(), 1);  // the row that moved up
        // The open preview window follows the items.
        ASSERT_NE(page->m_preview.View(), nullptr);
        EXPECT_EQ(page->m_preview.View()->Screen().RowText(6).substr(7, 8), " Item 3 ");
        EXPECT_EQ(page->m_preview.View()->Screen().RowText(7).substr(7, 8), " Item 4 ");

        SelectRow(page, 2);
        messages.Answer(IDYES);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        EXPECT_EQ(Rows(page), (std::vector<std::string>{"Item 1", "Item 3"}));
        EXPECT_EQ(page->SelectedRow(), -1);
        // With nothing selected, Delete and Properties do nothing.
        const size_t shown = messages.shown.size();
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        page->Item<QPushButton>(IDC_LOADER_PROPERTIES)->click();
        EXPECT_EQ(messages.shown.size(), shown);
        EXPECT_EQ(g_item.calls, 0);
        Press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(PropertiesTest, DownToOneItemAsksTheSingleMenuQuestionOnOkAndOnTabChange) {
    WriteEntry(0, "Menu", 2);
    Open(0);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        messages.Answer(IDYES);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        ASSERT_EQ(entry.m_loader.GetItemCount(), 1);
        // The last item cannot go.
        SelectRow(page, 0);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        EXPECT_EQ(messages.shown.back().text, "You can not delete the last menu item.");

        sheet.Tabs()->Bar()->setCurrentIndex(0);  // No: stay on "Submenu"
        EXPECT_EQ(sheet.GetActivePage(), page);
        EXPECT_EQ(messages.shown.back().caption, "Edit Submenu");
        EXPECT_EQ(messages.shown.back().text,
                  "There is only one item for this submenu.  If you wish to save this menu,\nit will be saved as a "
                  "single menu, not as a submenu.\n\nDo you wish to save this as a single menu?");
        Press(sheet, PSBTN_OK);  // No again
        EXPECT_FALSE(sheet.IsEnded());
        messages.Answer(IDYES);
        Press(sheet, PSBTN_OK);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetItemCount(), 1);
    EXPECT_EQ(loader.GetDescription(0), "Item 2");
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

int RecolourAndConfirm(CAppearanceDlg& dialog) {
    if (!dialog.Create()) return IDCANCEL;
    dialog.SetCurSel(IDC_NORMAL_BACKGROUND, 1);
    dialog.SetCurSel(IDC_NORMAL_TEXT, 15);
    dialog.Dispatch(IDOK, BN_CLICKED, false);
    return IDOK;
}

TEST_F(PropertiesTest, AppearanceChangesTheLoaderAndThePreview) {
    WriteEntry(0, "Menu", 2);
    Open(0);
    auto real = CViewLoaderFilesPage::s_runAppearanceDialog;
    CViewLoaderFilesPage::s_runAppearanceDialog = &RecolourAndConfirm;
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        page->Item<QPushButton>(IDC_LOADER_APPEARANCE)->click();
        EXPECT_EQ(page->m_preview.Screen().cells[12][40].attr, 0x1F);
        Press(sheet, PSBTN_OK);
    }));
    CViewLoaderFilesPage::s_runAppearanceDialog = real;
    LoaderFile loader;
    ASSERT_TRUE(loader.Open(folder + "tool0.ldr"));
    EXPECT_EQ(loader.GetColors(), 0x701F);
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
}

TEST_F(PropertiesTest, CancelDropsEveryChange) {
    WriteEntry(0, "Menu", 3);
    const std::vector<uint8_t> loaderBefore = ReadBytes(HostFile("tool0.ldr"));
    const std::vector<uint8_t> sifBefore = ReadBytes(HostFile("templates/tool0.sif"));
    Open(0);
    EXPECT_FALSE(RunSheet(entry, [&](CPropertySheet& sheet) {
        Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_DESCRIPTION, "Changed");
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        messages.Answer(IDYES);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_EQ(ReadBytes(HostFile("tool0.ldr")), loaderBefore);
    EXPECT_EQ(ReadBytes(HostFile("templates/tool0.sif")), sifBefore);
}

TEST_F(PropertiesTest, ALoaderThatDidNotOpenIsNeverWrittenBack) {
    WriteEntry(0, "Broken", 3);
    std::vector<uint8_t> bytes = ReadBytes(HostFile("tool0.ldr"));
    bytes[40] ^= 0x5A;  // bad checksum
    WriteBytes(HostFile("tool0.ldr"), bytes);
    Open(0);
    ASSERT_NE(entry.m_loader.m_error, 0u);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        // Template loader: fewer than two items, so the Image tab.
        EXPECT_EQ(sheet.GetPage(1)->TemplateId(), 137u);
        Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_DESCRIPTION, "Renamed");
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(ReadBytes(HostFile("tool0.ldr")), bytes);
    SifFile sif;
    ASSERT_TRUE(sif.Load(folder + "templates\\tool0.sif"));
    EXPECT_EQ(sif.GetDescription(), "Renamed");
    ASSERT_FALSE(messages.shown.empty());
    EXPECT_EQ(messages.shown.back().text, "The loader file could not be read, so it was not written.");

}

TEST_F(PropertiesTest, OkOnAnEntryWhoseOsChooserFileWentClosesTheSheet) {
    // Listed, then removed by someone else before Properties: OK is not
    // refused as "write protected" for a path that is not there.
    WriteEntry(0, "Gone", 1);
    std::filesystem::remove(HostFile("templates/tool0.sif"));
    EXPECT_FALSE(entry.Open(folder + "templates\\tool0.sif"));
    bool ended = false;
    RunSheet(entry, [&](CPropertySheet& sheet) {
        Press(sheet, PSBTN_OK);
        ended = sheet.IsEnded();
    });
    EXPECT_TRUE(ended);
    for (const auto& shown : messages.shown)
        EXPECT_EQ(shown.text.find("File write protected."), std::string::npos) << shown.text;
}

TEST_F(PropertiesTest, OkMakesAMissingLoaderFromTheTemplate) {
    WriteEntry(0, "Lost", 3);
    std::filesystem::remove(HostFile("tool0.ldr"));
    WriteText(HostFile("disk1.img"), "image");
    Open(0);
    EXPECT_EQ(entry.m_loader.m_error, res::IDS_IMAGE_NOT_FOUND);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) {
        ASSERT_EQ(sheet.GetPage(1)->TemplateId(), 137u);  // the template has no items: the Image tab
        sheet.SetActivePage(1);
        Flush();
        QLabel* note = static_cast<CEditImagePage*>(sheet.GetPage(1))->m_missingNote;
        ASSERT_NE(note, nullptr);
        // Below the page's template, in the room the sheet gives it.
        EXPECT_TRUE(note->isVisibleTo(note->parentWidget()));
        EXPECT_LT(note->geometry().bottom(), note->parentWidget()->height());
        EXPECT_TRUE(note->text().contains("tool0.ldr is missing: OK writes it again")) << note->text().toStdString();
        sheet.GetPage(1)->SetDlgItemText(IDC_IMAGE_FILE, "disk1.img");
        Press(sheet, PSBTN_OK);
        EXPECT_TRUE(sheet.IsEnded());
    }));
    ASSERT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    LoaderFile made;
    ASSERT_TRUE(made.Open(folder + "tool0.ldr"));
    EXPECT_EQ(made.GetServerPath(), relative);
    EXPECT_EQ(made.GetImageFile(0), "disk1.img");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(PropertiesTest, EightBitTextKeepsEveryByteThroughTheDescriptionPage) {
    WriteEntry(0, "x", 1);
    // Opened and closed with OK, untouched: the file stays byte for byte.
    std::string text = "[OSChooser]\r\nDescription = \"Caf\xE9 \x80\x8A\x9F\xFF\"\r\nHelp = \"\xA0\xE4\"\r\n"
                       "LaunchFile = \"" + relative + "tool0.ldr\"\r\nVersion = \"1.00\"\r\nImageType=Flat\r\n\r\n";
    WriteText(HostFile("templates/tool0.sif"), text);
    Open(0);
    EXPECT_TRUE(RunSheet(entry, [&](CPropertySheet& sheet) { Press(sheet, PSBTN_OK); }));
    EXPECT_EQ(menvolt_test::ReadText(HostFile("templates/tool0.sif")), text);

    // Every byte from 20h to FFh that a value can hold, through both edits.
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b)
        if (b != '"' && !platform::IsControlByte(static_cast<unsigned char>(b))) all += static_cast<char>(b);
    for (size_t at = 0; at < all.size(); at += 65) {
        MenuEntry again(root);
        ASSERT_TRUE(again.Open(folder + "templates\\tool0.sif"));
        EXPECT_TRUE(RunSheet(again, [&](CPropertySheet& sheet) {
            Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_DESCRIPTION, all.substr(at, 65));
            Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_HELP, all);
            Press(sheet, PSBTN_OK);
        }));
        SifFile sif;
        ASSERT_TRUE(sif.Load(folder + "templates\\tool0.sif"));
        EXPECT_EQ(sif.GetDescription(), all.substr(at, 65));
        EXPECT_EQ(sif.GetHelp(), all);
    }
    EXPECT_TRUE(messages.Empty());
}

TEST_F(PropertiesTest, ADoubleQuoteInADescriptionIsRefusedOnThePage) {
    WriteEntry(0, "Plain", 1);
    std::vector<uint8_t> before = ReadBytes(HostFile("templates/tool0.sif"));
    Open(0);
    EXPECT_FALSE(RunSheet(entry, [&](CPropertySheet& sheet) {
        Active<CSifInfoPage>(sheet)->SetDlgItemText(IDC_SIF_HELP, "say \"hi\"");
        Press(sheet, PSBTN_OK);
        EXPECT_FALSE(sheet.IsEnded());
    }));
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{res::LoadString(res::IDS_NO_DOUBLE_QUOTE)});
    EXPECT_EQ(ReadBytes(HostFile("templates/tool0.sif")), before);
}

TEST_F(PropertiesTest, FilesThatAreNotOSChooserTextAreNotOpenedForEditing) {
    WriteEntry(0, "Good", 1);
    const std::string utf16("\xFF\xFE[\0O\0S\0C\0]\0", 12);
    WriteText(HostFile("templates/tool0.sif"), utf16);
    MenuStore store;
    store.Load(root, "English", 0);
    ASSERT_EQ(store.GetCount(), 1);
    int sheets = 0;
    g_runEntrySheet = [&](CPropertySheet&) { return ++sheets, IDCANCEL; };
    EXPECT_FALSE(store.EditEntry(0));
    g_runEntrySheet = nullptr;
    EXPECT_EQ(sheets, 0);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("not 8-bit text"), std::string::npos);
    EXPECT_EQ(menvolt_test::ReadText(HostFile("templates/tool0.sif")), utf16);
}

TEST_F(PropertiesTest, SubmenuPageShowsTheLoaderErrorInPlaceOfTheList) {
    WriteEntry(0, "Menu", 3);
    Open(0);
    entry.m_loader.m_error = res::IDS_BAD_CHECKSUM;  // as a refused file leaves it
    CViewLoaderFilesPage page;
    page.m_pLoader = &entry.m_loader;
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    for (int id : {IDC_LOADER_LIST, IDC_LOADER_ADD, IDC_LOADER_DELETE, IDC_LOADER_PROPERTIES})
        EXPECT_FALSE(page.IsDlgItemVisible(id)) << id;
    EXPECT_FALSE(page.IsDlgItemEnabled(IDC_LOADER_APPEARANCE));
    ASSERT_NE(page.m_errorText, nullptr);
    EXPECT_EQ(page.m_errorText->text().toStdString(), "Bad data checksum in image file.");
    EXPECT_EQ(page.m_list->topLevelItemCount(), 0);
}

// Each row tells which PCs its item boots on, read from the image when asked.
TEST_F(PropertiesTest, SubmenuRowsTellWhichPcsTheirItemBootsOn) {
    WriteEntry(0, "Menu", 3);
    std::vector<uint8_t> efi = menvolt_test::MinimalEfiProgram(), boot(512);
    boot[510] = 0x55, boot[511] = 0xAA;
    WriteBytes(HostFile("disk1.img"), efi);
    WriteBytes(HostFile("disk3.img"), boot);
    Open(0);
    CViewLoaderFilesPage page;
    page.m_pLoader = &entry.m_loader;
    CPropertySheet sheet("Sheet");
    sheet.AddPage(&page);
    ASSERT_TRUE(sheet.Create());
    sheet.Window()->show();
    auto tipAt = [&](int row) {
        QWidget* viewport = page.m_list->viewport();
        const QPoint at = page.m_list->visualItemRect(page.m_list->topLevelItem(row)).center();
        QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &help);
        return QToolTip::text().toStdString();
    };
    EXPECT_EQ(tipAt(0), "Boots on: UEFI x86-64 (UEFI program not signed for Secure Boot)");
    EXPECT_EQ(tipAt(1), "Boots on: unknown (image file missing)");
    WriteBytes(HostFile("disk2.img"), boot);
    EXPECT_EQ(tipAt(1), "Boots on: BIOS");
    EXPECT_EQ(tipAt(2), "Boots on: BIOS");
}

TEST_F(PropertiesTest, SubmenuPageTellsTheStartAndItsPreviewStartsThere) {
    WriteEntry(0, "Menu", 3);
    Open(0);
    RunSheet(entry, [&](CPropertySheet& sheet) {
        sheet.Tabs()->Bar()->setCurrentIndex(1);
        auto* page = Active<CViewLoaderFilesPage>(sheet);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->m_startText->text().toStdString(), "Waits for a key");
        auto* real = CViewLoaderFilesPage::s_runStartDialog;
        CViewLoaderFilesPage::s_runStartDialog = [](CStartDlg& dialog) -> int {
            dialog.m_pLoader->SetDefaultItem(2);
            return dialog.m_pLoader->SetTimeout(10) ? IDOK : IDCANCEL;
        };
        page->Item<QPushButton>(IDC_START_CHANGE)->click();  // one click from the list
        CViewLoaderFilesPage::s_runStartDialog = real;
        EXPECT_EQ(page->m_startText->text().toStdString(), "Starts item 3 after 10 seconds");
        // The first screen a PC shows: item 3 highlighted, the seconds behind the arrows line.
        const ClientScreen& screen = page->m_preview.Screen();
        EXPECT_EQ(screen.cells[layout::ITEM_ROW + 2][layout::ITEM_COLUMN].attr, entry.m_loader.GetColors() >> 8);
        EXPECT_NE(screen.cells[layout::ITEM_ROW][layout::ITEM_COLUMN].attr, entry.m_loader.GetColors() >> 8);
        EXPECT_EQ(screen.RowText(layout::COUNTDOWN_ROW).substr(layout::COUNTDOWN_COLUMN, 3), "10 ");
        // Removing the start item turns the countdown off, and the line says so.
        SelectRow(page, 2);
        messages.Answer(IDYES);
        page->Item<QPushButton>(IDC_LOADER_DELETE)->click();
        EXPECT_EQ(page->m_startText->text().toStdString(), "Waits for a key");
        Press(sheet, PSBTN_CANCEL);
    });
}

TEST_F(PropertiesTest, AReadOnlyEntryOpensWithOkOffAndALineNamingTheFile) {
    WriteEntry(0, "One", 1);
    chmod(HostFile("templates/tool0.sif").c_str(), 0444);
    Open(0);
    EXPECT_FALSE(RunSheet(entry, [&](CPropertySheet& sheet) {
        EXPECT_FALSE(sheet.Button(IDOK)->isEnabled());
        bool named = false;
        for (QLabel* label : sheet.Window()->findChildren<QLabel*>())
            named = named || label->text().toStdString() ==
                                 "Read-only: " + folder + "templates\\tool0.sif (on this computer " +
                                     HostFile("templates/tool0.sif").string() +
                                     ") cannot be written: the file is write-protected.";
        EXPECT_TRUE(named);
        Press(sheet, PSBTN_OK);  // Enter reaches OK while it is off: refused, the sheet stays
        EXPECT_FALSE(sheet.IsEnded());
        EXPECT_EQ(messages.shown.size(), 1u);
        Press(sheet, PSBTN_CANCEL);
    }));
}

}  // namespace
