#include "tests/support/entry_fixture.h"

#include <QCoreApplication>
#include <cstdlib>

#include "loader/loader_file.h"
#include "platform/framework/html_help.h"
#include "store/sif_file.h"
#include "ui/entry_runners_ui.h"

namespace fs = std::filesystem;

namespace menvolt_test {

void Flush() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

::testing::AssertionResult LoaderAccepted(const fs::path& host, const std::string& windowsPath) {
    LoaderFile loader;
    if (!loader.Open(windowsPath)) return ::testing::AssertionFailure() << "LoaderFile::Open refused " << windowsPath;
    const std::string command = std::string(MENVOLT_CLI) + " check '" + host.string() + "' > /dev/null";
    if (std::system(command.c_str()) != 0) return ::testing::AssertionFailure() << "menvolt-cli check refused " << host;
    return ::testing::AssertionSuccess();
}

void EntryTest::SetUp() { fs::create_directories(HostFolder() / "templates"); }

void EntryTest::TearDown() {
    g_runEntrySheet = nullptr;
    MenuEntry::SetRunners(nullptr, nullptr);
    framework::ClearHelpRequests();
}

fs::path EntryTest::HostFolder() const { return share.path() / "Setup" / "English" / "Tools" / "Zent" / "i386"; }

int EntryTest::FileCount() const {
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(HostFolder()))
        if (entry.is_regular_file()) ++count;
    return count;
}

BOOL EntryTest::RunWizard(MenuEntry& entry, const std::function<void(framework::CPropertySheetEx&)>& script) {
    g_runEntrySheet = [&script](framework::CPropertySheet& sheet) {
        EXPECT_TRUE(sheet.Create());
        Flush();
        script(static_cast<framework::CPropertySheetEx&>(sheet));
        // A script that leaves the wizard open has cancelled it.
        const int result = sheet.IsEnded() ? sheet.Result() : 2;
        sheet.DestroyWindow();
        return result;
    };
    BOOL result = RunCreateWizardSheet(entry, folder);
    g_runEntrySheet = nullptr;
    return result;
}

BOOL EntryTest::RunSheet(MenuEntry& entry, const std::function<void(framework::CPropertySheet&)>& script) {
    g_runEntrySheet = [&script](framework::CPropertySheet& sheet) {
        EXPECT_TRUE(sheet.Create());
        Flush();
        script(sheet);
        const int result = sheet.IsEnded() ? sheet.Result() : 2;
        sheet.DestroyWindow();
        return result;
    };
    BOOL result = RunEntryPropertySheet(entry);
    g_runEntrySheet = nullptr;
    return result;
}

void EntryTest::WriteEntry(int number, const std::string& description, int items) {
    LoaderFile loader;
    for (int i = 0; i < items; ++i)
        loader.SetItem(i, "disk" + std::to_string(i + 1) + ".img", "Item " + std::to_string(i + 1),
                       "Help for item " + std::to_string(i + 1));
    loader.SetServerPath(relative);
    const std::string name = "tool" + std::to_string(number);
    ASSERT_TRUE(loader.SaveAs(folder + name + ".ldr"));
    SifFile sif;
    sif.SetValue("Description", description);
    sif.SetValue("LaunchFile", relative + name + ".ldr");
    sif.SetVersion(loader.GetVersion());
    ASSERT_TRUE(sif.SaveAs(folder + "templates\\" + name + ".sif"));
}

void Press(framework::CPropertySheet& sheet, int button) {
    sheet.PressButton(button);
    Flush();
}

}  // namespace menvolt_test
