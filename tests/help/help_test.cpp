#include <gtest/gtest.h>

#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <map>

#include "app/editor_app.h"
#include "platform/file_system.h"
#include "platform/framework/html_help.h"
#include "tests/support/test_support.h"

namespace {

const std::filesystem::path kBin = MENVOLT_BIN_DIR;
const std::filesystem::path kHelpFile = kBin / "menvolt.chm";

// Every context number the program's Help buttons pass, and its topic.
const std::map<uint32_t, std::string> kTopics = {
    {107, "/main_window.htm"},
    {108, "/wizard_setup_item.htm"},
    {109, "/wizard_description.htm"},
    {110, "/wizard_image_file.htm"},
    {111, "/wizard_submenu_item.htm"},
    {112, "/properties_single.htm"},
    {113, "/properties_submenu.htm"},
    {114, "/submenu_item_properties.htm"},
    {115, "/screen_appearance.htm"},
    {116, "/unattended_start.htm"},
    {7, "/create_boot_image.htm"},
    {8, "/advanced_image_settings.htm"},
    {61, "/technical_support.htm"},
    {1100, "/image_viewer.htm"},  // the image library's viewer asks its owner for this one
};

struct Shown {
    void* owner;
    std::string file;
    std::string topic;
};

struct RecordingViewer : framework::HelpViewer {
    RecordingViewer() { previous = framework::SetHelpViewer(this); }
    ~RecordingViewer() override { framework::SetHelpViewer(previous); }
    intptr_t ShowTopic(void* owner, const std::string& file, const std::string& topic) override {
        shown.push_back({owner, file, topic});
        return 1;
    }
    std::vector<Shown> shown;
    framework::HelpViewer* previous;
};

TEST(HelpFile, EveryContextNumberHasItsOwnTopic) {
    auto help = framework::HelpFile::Open(kHelpFile.string());
    ASSERT_TRUE(help) << kHelpFile;
    EXPECT_EQ(help->Title(), "Menvolt Help");
    EXPECT_EQ(help->DefaultTopic(), "/index.htm");
    for (const auto& [context, topic] : kTopics) {
        EXPECT_EQ(help->TopicForContext(context), topic) << "context " << context;
        std::string page;
        ASSERT_TRUE(help->Read(topic, &page)) << topic;
        EXPECT_NE(page.find("<h1>"), std::string::npos) << topic;
        EXPECT_GT(page.size(), 500u) << topic << " says too little";
    }
    EXPECT_EQ(help->Contexts().size(), kTopics.size());
    EXPECT_EQ(help->TopicForContext(9), "");
    EXPECT_EQ(help->TopicForContext(0), "");
}

TEST(HelpFile, LinksBetweenTopicsLeadToStoredTopics) {
    auto help = framework::HelpFile::Open(kHelpFile.string());
    ASSERT_TRUE(help);
    std::vector<std::string> pages = {"/index.htm"};
    for (const auto& [context, topic] : kTopics) pages.push_back(topic);
    for (const std::string& page : pages) {
        std::string text;
        ASSERT_TRUE(help->Read(page, &text));
        for (size_t at = text.find("href=\""); at != std::string::npos; at = text.find("href=\"", at + 1)) {
            std::string target = text.substr(at + 6, text.find('"', at + 6) - at - 6);
            if (target.rfind("https://", 0) == 0) continue;
            EXPECT_TRUE(help->Contains("/" + target)) << page << " links to " << target;
        }
    }
}

TEST(HelpFile, NotAHelpFile) {
    menvolt_test::TempDir dir;
    menvolt_test::WriteText(dir / "x.chm", "plain text");
    EXPECT_FALSE(framework::HelpFile::Open((dir / "x.chm").string()));
    EXPECT_FALSE(framework::HelpFile::Open((dir / "missing.chm").string()));
}

TEST(ShowHelp, TheStartUpPathNamesTheBuiltHelpFile) {
    CEditorApp app;
    app.SetModulePath(platform::ToWindowsPath(kBin / "menvolt"));
    app.m_pszHelpFilePath = CEditorApp::HelpFileFromDefault(app.m_pszHelpFilePath);
    RecordingViewer viewer;
    EXPECT_NE(framework::ShowHelp(IDH_MAIN_WINDOW), 0);
    ASSERT_EQ(viewer.shown.size(), 1u) << app.m_pszHelpFilePath;
    EXPECT_EQ(viewer.shown[0].file, kHelpFile.string());
    EXPECT_EQ(viewer.shown[0].topic, "/main_window.htm");
    framework::ClearHelpRequests();
}

TEST(ShowHelp, OpensTheTopicOfTheContext) {
    RecordingViewer viewer;
    const std::string file = platform::ToWindowsPath(kHelpFile);
    for (const auto& [context, topic] : kTopics) {
        EXPECT_NE(framework::HtmlHelp(nullptr, file, framework::HH_HELP_CONTEXT, context), 0);
        ASSERT_FALSE(viewer.shown.empty());
        EXPECT_EQ(viewer.shown.back().topic, topic);
        EXPECT_EQ(viewer.shown.back().file, kHelpFile.string());
    }
    framework::HtmlHelp(nullptr, file, framework::HH_DISPLAY_TOPIC, 0);
    EXPECT_EQ(viewer.shown.back().topic, "/index.htm");
    framework::HtmlHelp(nullptr, file, framework::HH_DISPLAY_TOPIC, reinterpret_cast<uintptr_t>("screen_appearance.htm"));
    EXPECT_EQ(viewer.shown.back().topic, "/screen_appearance.htm");
    framework::ClearHelpRequests();
}

TEST(ShowHelp, NothingOpensForAnUnknownContextOrFile) {
    framework::ClearHelpRequests();
    RecordingViewer viewer;
    const std::string file = platform::ToWindowsPath(kHelpFile);
    EXPECT_EQ(framework::HtmlHelp(nullptr, file, framework::HH_HELP_CONTEXT, 9999), 0);
    EXPECT_EQ(framework::HtmlHelp(nullptr, platform::ToWindowsPath(kBin / "nothing.chm"), framework::HH_HELP_CONTEXT, 107), 0);
    EXPECT_TRUE(viewer.shown.empty());
    // Every request is still recorded.
    EXPECT_EQ(framework::HelpRequests().size(), 2u);
    framework::ClearHelpRequests();
}

TEST(ShowHelp, TheHelpWindowShowsTheTopic) {
    const std::string file = platform::ToWindowsPath(kHelpFile);
    QWidget owner;
    owner.show();
    intptr_t handle = framework::HtmlHelp(&owner, file, framework::HH_HELP_CONTEXT, 115);
    ASSERT_NE(handle, 0);
    auto* window = reinterpret_cast<QWidget*>(handle);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->parentWidget(), &owner);
    EXPECT_EQ(window->windowTitle(), "Menvolt Help");
    auto* browser = window->findChild<QTextBrowser*>();
    ASSERT_TRUE(browser);
    EXPECT_TRUE(browser->toPlainText().contains("Submenu Screen Appearance"));
    // Links between topics stay in the file; Back returns, Contents goes home.
    emit browser->anchorClicked(QUrl("advanced_image_settings.htm"));
    EXPECT_TRUE(browser->toPlainText().contains("Keep UNDI in memory"));
    QPushButton* back = nullptr;
    QPushButton* contents = nullptr;
    for (auto* button : window->findChildren<QPushButton*>()) {
        if (button->text() == "Back") back = button;
        if (button->text() == "Contents") contents = button;
    }
    ASSERT_TRUE(back && contents);
    back->click();
    EXPECT_TRUE(browser->toPlainText().contains("Submenu Screen Appearance"));
    contents->click();
    EXPECT_TRUE(browser->toPlainText().contains("What is written when"));
    // The next request reuses the window.
    EXPECT_EQ(framework::HtmlHelp(&owner, file, framework::HH_HELP_CONTEXT, 61), handle);
    EXPECT_TRUE(browser->toPlainText().contains("What to include in a report"));
    framework::HtmlHelp(&owner, file, framework::HH_CLOSE_ALL, 0);
    framework::ClearHelpRequests();
}

}  // namespace
