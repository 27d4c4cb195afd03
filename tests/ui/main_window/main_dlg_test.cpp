#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include "app/editor_app.h"
#include "platform/framework/classic_message_box.h"
#include "platform/framework/dialog.h"
#include "platform/framework/html_help.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/host_system.h"
#include "store/menu_entry.h"
#include "store/menu_store.h"
#include "tests/support/modal_helper.h"
#include "tests/support/share_fixture.h"
#include "ui/main_window/main_dlg.h"

using namespace menvolt_test;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;

namespace {

const std::string kTools = "Setup\\English\\Tools\\Zent\\i386\\";

struct MainWindowTest : ::testing::Test {
    TempShare share;
    ScriptedMessages messages;
    CEditorApp app;
    CMainDlg dialog;

    void SetUp() override { MakeLanguage(share, "English"); }
    void TearDown() override {
        MenuEntry::SetRunners(nullptr, nullptr);
        framework::ClearHelpRequests();
    }

    void Open(std::vector<std::string> languages = {"English"}) {
        // Each test installs the wizard or sheet stand-in it needs.
        MenuEntry::SetRunners(nullptr, nullptr);
        app.m_risRoot = Root();
        app.m_languages = languages;
        app.m_tab = 0;
        app.SelectLanguage(languages.front());
        dialog.m_pStore = &CEditorApp::Store();
        dialog.m_pHost = &app;
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
    void Click(int id) { dialog.Item<QPushButton>(id)->click(); }
};

TEST_F(MainWindowTest, LayoutFollowsTheTemplateInPixels) {
    Open();
    QWidget* window = dialog.Window();
    EXPECT_EQ(window->windowTitle(), "Menvolt");
    EXPECT_EQ(window->size(), QSize(381, 405));  // 254 x 249 dialog units at 6 x 13
    EXPECT_EQ(dialog.GetDlgItem(2)->geometry(), QRect(213, 371, 75, 23));
    EXPECT_EQ(dialog.GetDlgItem(IDC_MAIN_ADD)->geometry(), QRect(26, 284, 68, 23));
    // The list's last 9 units hold the selected entry's "Boots on: ...".
    EXPECT_EQ(dialog.GetDlgItem(IDC_MAIN_LIST)->geometry(), QRect(26, 156, 329, 106));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_MAIN_PROPERTIES), "&Properties...");
    auto* tabs = dialog.Item<framework::TabControl>(IDC_MAIN_TABS);
    ASSERT_EQ(tabs->GetItemCount(), 2);
    EXPECT_EQ(tabs->Bar()->tabText(0), "Maintenance and Troubleshooting");
    EXPECT_EQ(tabs->Bar()->tabText(1), "Automatic Setup");
    EXPECT_EQ(tabs->GetCurSel(), 0);
    EXPECT_EQ(dialog.m_list->headerItem()->text(0), "Menu Items");
    EXPECT_EQ(dialog.m_list->columnWidth(0), 329 - 2 * dialog.m_list->frameWidth() - 18);
}

TEST_F(MainWindowTest, ListShowsEntriesWithTheirPicturesAndSelectsRowZero) {
    WriteEntry("English", "0", "Single", 1);
    WriteEntry("English", "1", "Menu", 4);
    WriteSif("English", "tool2.sif", "Broken", "");
    Open();
    EXPECT_EQ(Rows(), (std::vector<std::string>{"Single", "Menu", "Broken"}));
    EXPECT_EQ(dialog.SelectedRow(), 0);
    EXPECT_TRUE(dialog.IsDlgItemEnabled(IDC_MAIN_REMOVE));
    EXPECT_TRUE(dialog.IsDlgItemEnabled(IDC_MAIN_PROPERTIES));
    // Each row's picture is its kind's piece of the strip.
    for (int row = 0; row < 3; ++row) {
        QImage shown = dialog.m_list->topLevelItem(row)->icon(0).pixmap(16, 16).toImage();
        QImage expected = dialog.m_imageList[static_cast<size_t>(CEditorApp::Store().Row(row).kind)].pixmap(16, 16).toImage();
        EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), expected.convertToFormat(QImage::Format_ARGB32));
    }
    EXPECT_NE(dialog.m_imageList[0].pixmap(16, 16).toImage(), dialog.m_imageList[2].pixmap(16, 16).toImage());
}

TEST_F(MainWindowTest, EmptyStoreDisablesRemoveAndPropertiesOnly) {
    Open();
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(dialog.SelectedRow(), -1);
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_REMOVE));
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_PROPERTIES));
    EXPECT_TRUE(dialog.IsDlgItemEnabled(IDC_MAIN_ADD));
    EXPECT_TRUE(dialog.IsDlgItemEnabled(IDC_MAIN_REFRESH));
    // Remove and Properties with nothing selected do nothing.
    dialog.OnRemove();
    dialog.OnProperties();
    EXPECT_TRUE(messages.Empty());
}

TEST_F(MainWindowTest, SingleLanguageDisablesTheComboButShowsIt) {
    Open();
    auto* combo = dialog.Item<QComboBox>(IDC_MAIN_LANGUAGE);
    EXPECT_FALSE(combo->isEnabled());
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_LANGUAGE_LABEL));
    EXPECT_EQ(combo->currentText(), "English");
}

TEST_F(MainWindowTest, LanguageComboIsSortedAndSwitchesTheStore) {
    MakeLanguage(share, "German");
    MakeLanguage(share, "Czech");
    WriteEntry("German", "0", "Deutsch", 1);
    WriteEntry("English", "0", "English entry", 1);
    Open({"German", "English", "Czech"});
    auto* combo = dialog.Item<QComboBox>(IDC_MAIN_LANGUAGE);
    EXPECT_TRUE(combo->isEnabled());
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), "Czech");
    EXPECT_EQ(combo->currentText(), "German");
    EXPECT_EQ(Rows(), std::vector<std::string>{"Deutsch"});
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    EXPECT_EQ(app.GetCurrentLanguage(), "English");
    EXPECT_EQ(Rows(), std::vector<std::string>{"English entry"});
    EXPECT_EQ(dialog.SelectedRow(), 0);
}

TEST_F(MainWindowTest, TabChangeReloadsWithTheNewTabsFolderChain) {
    WriteEntry("English", "0", "Tool", 1);
    Open();
    dialog.Item<framework::TabControl>(IDC_MAIN_TABS)->Bar()->setCurrentIndex(1);
    EXPECT_EQ(app.m_tab, 1);
    EXPECT_TRUE(Rows().empty());
    EXPECT_TRUE(std::filesystem::is_directory(share.path() / "Setup/English/Images/Zent/i386/templates"));
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_REMOVE));
    dialog.Item<framework::TabControl>(IDC_MAIN_TABS)->Bar()->setCurrentIndex(0);
    EXPECT_EQ(Rows(), std::vector<std::string>{"Tool"});
    EXPECT_EQ(dialog.SelectedRow(), 0);
}

TEST_F(MainWindowTest, RefreshShowsWhatChangedOnDisk) {
    WriteEntry("English", "0", "First", 1);
    Open();
    Select(0);
    WriteEntry("English", "1", "Second", 1);
    Click(IDC_MAIN_REFRESH);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"First", "Second"}));
    EXPECT_EQ(dialog.SelectedRow(), 0);
}

TEST_F(MainWindowTest, RemoveAsksAndNoChangesNothing) {
    WriteEntry("English", "0", "Alpha", 1);
    WriteEntry("English", "1", "Beta", 1);
    Open();
    Select(1);
    Click(IDC_MAIN_REMOVE);  // unscripted: No
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Are you sure you want to remove the \"Beta\" item?");
    EXPECT_EQ(messages.shown[0].caption, "Edit Menu");
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::Owned);
    EXPECT_EQ(messages.shown[0].style, platform::MB_YESNO | platform::MB_ICONQUESTION);
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_EQ(dialog.SelectedRow(), 1);
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool1.ldr")));
}

TEST_F(MainWindowTest, ReadOnlyEntryIsMarkedAndRemoveRefusesWithThePath) {
    WriteEntry("English", "0", "Locked", 1);
    chmod(Host(share, kTools + "templates\\tool0.sif").c_str(), 0444);
    Open();
    ASSERT_EQ(Rows(), std::vector<std::string>{"Locked"});
    EXPECT_EQ(dialog.m_list->topLevelItem(0)->toolTip(0).toStdString(), "File write protected.");
    Select(0);
    Click(IDC_MAIN_REMOVE);  // refused before the question
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{
                                    "File write protected.\n" + Root() + kTools + "templates\\tool0.sif (on this computer " +
                                    Host(share, kTools + "templates\\tool0.sif").string() +
                                    ") cannot be written: the file is write-protected."}));
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "templates\\tool0.sif")));
}

TEST_F(MainWindowTest, RemovingRowsMovesTheSelectionAsDesigned) {
    WriteEntry("English", "0", "A", 1);
    WriteEntry("English", "1", "B", 1);
    WriteEntry("English", "2", "C", 1);
    Open();
    // Middle row: the row that moves into its place is selected.
    Select(1);
    messages.Answer(IDYES);
    Click(IDC_MAIN_REMOVE);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(dialog.SelectedRow(), 1);
    // Last row: the new last row.
    messages.Answer(IDYES);
    Click(IDC_MAIN_REMOVE);
    EXPECT_EQ(Rows(), std::vector<std::string>{"A"});
    EXPECT_EQ(dialog.SelectedRow(), 0);
    // Only row: empty list, commands off.
    messages.Answer(IDYES);
    Click(IDC_MAIN_REMOVE);
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_REMOVE));
    EXPECT_FALSE(dialog.IsDlgItemEnabled(IDC_MAIN_PROPERTIES));
}

TEST_F(MainWindowTest, RemoveActsOnTheSelectedRowWhenDescriptionsRepeat) {
    WriteEntry("English", "0", "Twin", 1);
    WriteEntry("English", "1", "Twin", 2);
    Open();
    Select(1);
    messages.Answer(IDYES);
    Click(IDC_MAIN_REMOVE);
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "templates\\tool0.sif")));
    EXPECT_TRUE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "templates\\tool1.sif")));
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "tool1.ldr")));
}

std::string g_editedPath;
BOOL RecordEdit(MenuEntry& entry) {
    g_editedPath = entry.m_sif.GetPath();
    return TRUE;
}

TEST_F(MainWindowTest, PropertiesOpensTheSelectedRowsEntryAndReturnsToRowZero) {
    WriteEntry("English", "0", "Twin", 1);
    WriteEntry("English", "1", "Twin", 1);
    Open();
    // Without a property sheet nothing opens and nothing changes.
    Select(1);
    Click(IDC_MAIN_PROPERTIES);
    EXPECT_EQ(dialog.SelectedRow(), 1);

    MenuEntry::SetRunners(nullptr, &RecordEdit);
    g_editedPath.clear();
    Select(1);
    Click(IDC_MAIN_PROPERTIES);
    EXPECT_EQ(g_editedPath, EntryFolder("English") + "templates\\tool1.sif");
    EXPECT_EQ(dialog.SelectedRow(), 0);

    // A double click on a row opens that row's entry.
    g_editedPath.clear();
    Select(1);
    emit dialog.m_list->itemDoubleClicked(dialog.m_list->topLevelItem(1), 0);
    EXPECT_EQ(g_editedPath, EntryFolder("English") + "templates\\tool1.sif");
}

BOOL CreateNamed(MenuEntry& entry, const std::string& folder) {
    entry.m_folder = folder;
    std::string loader, sif;
    entry.AllocateFileNames(loader, sif);
    entry.m_loader.SaveAs(folder + loader);
    entry.m_sif.SetValue("Description", "Middle");
    entry.m_sif.SetValue("LaunchFile", folder.substr(Root().size()) + loader);
    entry.m_sif.SaveAs(folder + sif);
    return TRUE;
}

TEST_F(MainWindowTest, AddSelectsTheNewEntryAndDoesNothingWithoutAWizard) {
    WriteEntry("English", "0", "First", 1);
    WriteEntry("English", "2", "Last", 1);
    Open();
    Click(IDC_MAIN_ADD);
    EXPECT_EQ(Rows().size(), 2u);
    EXPECT_TRUE(messages.Empty());

    MenuEntry::SetRunners(&CreateNamed, nullptr);
    Click(IDC_MAIN_ADD);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"First", "Middle", "Last"}));
    EXPECT_EQ(dialog.SelectedRow(), 1);
}

TEST_F(MainWindowTest, HelpAsksForContext107) {
    Open();
    Click(framework::IDHELP);
    ASSERT_EQ(framework::HelpRequests().size(), 1u);
    EXPECT_EQ(framework::HelpRequests()[0].data, 107u);
}

TEST_F(MainWindowTest, CloseAndEnterEndTheDialog) {
    Open();
    dialog.Dispatch(IDOK, framework::BN_CLICKED, false);
    EXPECT_EQ(dialog.Window()->result(), IDOK);
    dialog.Dispatch(IDCANCEL, framework::BN_CLICKED, false);
    EXPECT_EQ(dialog.Window()->result(), IDCANCEL);
}

// Remove through the real question box: Yes removes.
TEST_F(MainWindowTest, RealQuestionBoxDrivesRemove) {
    WriteEntry("English", "0", "Real", 1);
    Open();
    framework::QtMessageSink sink;
    platform::MessageSink* previous = platform::SetMessageSink(&sink);
    std::string caption;
    {
        ModalAnswerer answer([&](QWidget* modal) {
            auto* box = dynamic_cast<framework::ClassicMessageBox*>(modal);
            if (!box) return modal->close(), void();
            caption = box->windowTitle().toStdString();
            box->Button(IDYES)->click();
        });
        Select(0);
        Click(IDC_MAIN_REMOVE);
    }
    platform::SetMessageSink(previous);
    EXPECT_EQ(caption, "Edit Menu");
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(std::filesystem::exists(Host(share, kTools + "tool0.ldr")));
}

TEST_F(MainWindowTest, TheAboutButtonOpensTheAboutBox) {
    Open();
    std::string caption;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !caption.empty()) return;
        caption = modal->windowTitle().toStdString();
        modal->close();
    });
    timer.start(10);
    QTimer::singleShot(5000, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    Click(IDC_MAIN_ABOUT);
    EXPECT_EQ(caption, "About");
}

}  // namespace
