#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTest>
#include <QTreeWidget>

#include "app/editor_app.h"
#include "platform/framework/classic_message_box.h"
#include "platform/framework/dialog.h"
#include "platform/framework/html_help.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/host_system.h"
#include "store/menu_store.h"
#include "tests/support/modal_helper.h"
#include "tests/support/share_fixture.h"
#include "ui/main_window/main_dlg.h"

using namespace menvolt_test;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;

namespace {

const char kNotCompatible[] = "This program is not compatible with the version of ZARUDIR.DLL";
const char kNewer[] = "This program requires a newer version of the ZARUDIR.DLL.";

TEST(ImageLibraryCheck, VersionWordsAndBuilds) {
    struct Case {
        uint32_t word, build;
        bool accepted;
        const char* message;
    };
    const Case cases[] = {
        {0x0110, 45, false, kNewer},          {0x0110, 46, true, nullptr},  {0x0110, 0xFFFF, true, nullptr},
        {0x0111, 0, true, nullptr},           {0x011F, 0, true, nullptr},   {0x0120, 100, false, kNotCompatible},
        {0x0100, 100, false, kNotCompatible}, {0x0000, 0, false, kNotCompatible},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        uint32_t answer = c.word << 16 | c.build;
        EXPECT_EQ(CEditorApp::AcceptImageLibrary(answer, answer) != FALSE, c.accepted) << std::hex << c.word;
        if (c.message) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text, c.message);
            EXPECT_EQ(messages.shown[0].caption, "Menvolt");
            EXPECT_EQ(messages.shown[0].style, platform::MB_ICONERROR | platform::MB_OK);
        } else {
            EXPECT_TRUE(messages.Empty());
        }
    }
}

uint32_t g_answers[2];
int g_calls = 0;
uint32_t ScriptedVersion() { return g_answers[g_calls++ % 2]; }

TEST(ImageLibraryCheck, VersionFromTheFirstAnswerBuildFromTheSecond) {
    ScriptedMessages messages;
    CEditorApp app;
    app.m_imageLibraryVersion = &ScriptedVersion;
    g_answers[0] = 0x0110FFFF;  // a good build in the first answer does not count
    g_answers[1] = 0x0000002D;
    g_calls = 0;
    EXPECT_FALSE(app.CheckImageLibrary());
    EXPECT_EQ(g_calls, 2);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNewer});

    // The library this program is linked with passes.
    CEditorApp linked;
    EXPECT_TRUE(linked.CheckImageLibrary());
}

struct StartUpTest : ::testing::Test {
    TempShare share;
    ScriptedMessages messages;
    CEditorApp app;
    void SetUp() override {
        host::SetComputerName("TESTHOST");
        app.SetModulePath("Z:\\opt\\menvolt\\menvolt");
    }
    void TearDown() override {
        host::SetComputerName("");
        host::ResetReportedVersion();
        framework::ClearHelpRequests();
    }
};

TEST_F(StartUpTest, OperatingSystemCheckTestsOnlyNtAndMajorVersion5) {
    MakeLanguage(share, "English");
    struct Case {
        DWORD platform, major, minor;
        bool passes;
    };
    for (Case c : {Case{2, 5, 0, true}, Case{2, 5, 1, true}, Case{2, 4, 0, false}, Case{2, 6, 0, false},
                   Case{1, 5, 0, false}}) {
        messages.shown.clear();
        host::SetReportedVersion(c.platform, c.major, c.minor);
        EXPECT_EQ(app.CheckRisServer() != FALSE, c.passes) << c.platform << " " << c.major << "." << c.minor;
        if (!c.passes) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_EQ(messages.shown[0].text,
                      "This program is designed to be used on a Windows 2000 Server with Remote Installation "
                      "Services installed.");
            EXPECT_EQ(messages.shown[0].style & platform::MB_ICON_MASK, platform::MB_ICONERROR);
        } else {
            EXPECT_TRUE(messages.Empty());
            EXPECT_EQ(app.m_risRoot, "\\\\TESTHOST\\RemInst\\");
        }
    }
}

TEST_F(StartUpTest, ShareThatDoesNotAnswer) {
    // Mapped but empty: the share root lists nothing.
    EXPECT_FALSE(app.CheckRisServer());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"RIS folder not found."});
    // Not published at all.
    host::SetComputerName("OTHERHOST");
    messages.shown.clear();
    EXPECT_FALSE(app.CheckRisServer());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"RIS folder not found."});
}

TEST_F(StartUpTest, LanguagesAreFoldersInListingOrderWithoutDotNames) {
    for (const char* name : {"english", "Deutsch", ".hidden", "..more", "Francais"})
        std::filesystem::create_directories(share.path() / "Setup" / name);
    menvolt_test::WriteText(share.path() / "Setup" / "Arabic", "a file, not a folder");
    app.m_risRoot = Root();
    app.ListLanguages();
    EXPECT_EQ(app.m_languages, (std::vector<std::string>{"Deutsch", "english", "Francais"}));
}

TEST_F(StartUpTest, HelpFileReplacesEveryUpperCaseHlp) {
    EXPECT_EQ(app.m_pszHelpFilePath, "Z:\\opt\\menvolt\\menvolt.HLP");
    EXPECT_EQ(CEditorApp::HelpFileFromDefault("Z:\\a.HLP\\b.HLP"), "Z:\\a.chm\\b.chm");
    EXPECT_EQ(CEditorApp::HelpFileFromDefault("Z:\\a.hlp\\b.HLP"), "Z:\\a.hlp\\b.chm");
    app.SetModulePath("Z:\\x.y\\prog.exe");
    EXPECT_EQ(app.m_pszHelpFilePath, "Z:\\x.y\\prog.HLP");

    app.m_pszHelpFilePath = CEditorApp::HelpFileFromDefault(app.m_pszHelpFilePath);
    framework::ShowHelp(IDH_MAIN_WINDOW);
    ASSERT_EQ(framework::HelpRequests().size(), 1u);
    EXPECT_EQ(framework::HelpRequests()[0].data, 107u);
    EXPECT_EQ(framework::HelpRequests()[0].command, 15u);
    EXPECT_EQ(framework::HelpRequests()[0].file, "Z:\\x.y\\prog.chm");
}

TEST_F(StartUpTest, SetupWithoutLanguagesEndsInOrder) {
    std::filesystem::create_directories(share.path() / "Setup" / ".only-dots");
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"No installation language folders were found in the Setup folder of the share."});
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(StartUpTest, RefusedLibraryStopsBeforeAnythingElse) {
    app.m_imageLibraryVersion = [] { return uint32_t{0x01200000}; };
    host::SetReportedVersion(2, 4, 0);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kNotCompatible});
    EXPECT_TRUE(app.m_risRoot.empty());
}

TEST_F(StartUpTest, StartsOnTheFirstLanguageAndTabZero) {
    MakeLanguage(share, "Zulu", false);
    MakeLanguage(share, "Afrikaans", false);
    std::vector<std::string> combo;
    int rows = -1;
    bool toolsChain = false;
    {
        ModalAnswerer answer([&](QWidget* modal) {
            auto* main = dynamic_cast<CMainDlg*>(app.m_pMainWnd);
            if (main && modal == main->Window()) {
                auto* box = main->Item<QComboBox>(IDC_MAIN_LANGUAGE);
                for (int i = 0; i < box->count(); ++i) combo.push_back(box->itemText(i).toStdString());
                combo.push_back("selected " + box->currentText().toStdString());
                rows = main->m_list->topLevelItemCount();
                toolsChain = std::filesystem::is_directory(share.path() / "Setup/Afrikaans/Tools/Zent/i386/templates");
            }
            modal->close();
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(answer.Acted());
    }
    EXPECT_EQ(combo, (std::vector<std::string>{"Afrikaans", "Zulu", "selected Afrikaans"}));
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(toolsChain);
    EXPECT_FALSE(std::filesystem::exists(share.path() / "Setup/Zulu/Tools"));
    EXPECT_EQ(app.m_tab, 0);
    EXPECT_EQ(app.GetCurrentLanguage(), "Afrikaans");
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(StartUpTest, SelectLanguageAndTabReloadTheStore) {
    MakeLanguage(share, "English");
    MakeLanguage(share, "German");
    WriteEntry("German", "0", "Deutsch", 1);
    app.m_risRoot = Root();
    app.ListLanguages();
    app.SelectLanguage("German");
    EXPECT_EQ(app.m_languageIndex, 1);
    EXPECT_EQ(CEditorApp::Store().GetCount(), 1);
    app.SelectTab(1);
    EXPECT_EQ(CEditorApp::Store().GetCount(), 0);
    EXPECT_EQ(CEditorApp::Store().GetFolder(), EntryFolder("German", 1));
    // Comparison is exact: another case is not the same language.
    app.SelectLanguage("english");
    EXPECT_EQ(app.GetCurrentLanguage(), "German");
}

TEST_F(StartUpTest, ErrorBoxTakesTheActiveWindowsTitleCutTo255) {
    QWidget window;
    window.setWindowTitle(QString(300, QLatin1Char('T')));
    window.show();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    framework::ShowErrorBox(57371);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, platform::MessageKind::ErrorBox);
    EXPECT_EQ(messages.shown[0].caption, std::string(255, 'T'));
    EXPECT_EQ(messages.shown[0].text, "Menus are limited to 8 items.");
    EXPECT_EQ(messages.shown[0].style, platform::MB_ICONERROR);
    EXPECT_EQ(messages.shown[0].owner, static_cast<void*>(&window));
}

std::string BoxText(QWidget* box) {
    auto* label = box->findChild<QLabel*>(QStringLiteral("text"));
    return label ? label->text().toStdString() : std::string();
}

QImage BoxIcon(QWidget* box) {
    auto* label = box->findChild<QLabel*>(QStringLiteral("icon"));
    return label ? label->pixmap().toImage() : QImage();
}

// The program's own message boxes are real, modal and answered.
TEST(RealMessageBoxes, ApplicationBoxShowsCaptionTextAndAnswers) {
    framework::QtMessageSink sink;
    platform::MessageSink* previous = platform::SetMessageSink(&sink);
    CEditorApp app;  // sets the application title
    std::string caption, text;
    bool questionIcon = false;
    int answer = 0;
    {
        ModalAnswerer answerer([&](QWidget* modal) {
            auto* box = dynamic_cast<framework::ClassicMessageBox*>(modal);
            if (!box) return modal->close(), void();
            caption = box->windowTitle().toStdString();
            text = BoxText(box);
            questionIcon = BoxIcon(box) == framework::ClassicMessageIcon(platform::MB_ICONQUESTION).toImage();
            box->Button(IDNO)->click();
        });
        answer = platform::AfxMessageBox("Really?", platform::MB_YESNO | platform::MB_ICONQUESTION);
    }
    platform::SetMessageSink(previous);
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(caption, "Menvolt");
    EXPECT_EQ(text, "Really?");
    EXPECT_TRUE(questionIcon);
}

// The error box is captioned with the window that is active when it opens.
TEST(RealMessageBoxes, ErrorBoxUsesTheActiveDialogsTitle) {
    framework::QtMessageSink sink;
    platform::MessageSink* previous = platform::SetMessageSink(&sink);
    CEditorApp app;
    QDialog owner;
    owner.setWindowTitle("Submenu Item Properties");
    std::string caption, text;
    bool errorIcon = false;
    QWidget* parent = nullptr;
    {
        // Only a guard: whatever is still open after the deadline is closed.
        ModalAnswerer guard([](QWidget*) {});
        // The dialog's own modal loop; the error box opens from a timer inside it.
        QTimer::singleShot(50, &owner, [&] {
            ModalAnswerer inner([&](QWidget* modal) {
                auto* box = dynamic_cast<framework::ClassicMessageBox*>(modal);
                if (box) {
                    caption = box->windowTitle().toStdString();
                    text = BoxText(box);
                    errorIcon = BoxIcon(box) == framework::ClassicMessageIcon(platform::MB_ICONERROR).toImage();
                    parent = box->parentWidget();
                }
                modal->close();
            });
            framework::ShowErrorBox(57346);
            owner.close();
        });
        owner.exec();
    }
    platform::SetMessageSink(previous);
    EXPECT_EQ(caption, "Submenu Item Properties");
    EXPECT_EQ(text, "Image file not found.");
    EXPECT_TRUE(errorIcon);
    EXPECT_EQ(parent, &owner);
}

}  // namespace
