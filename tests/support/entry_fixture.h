// A share with one language's entry folder, scripted message boxes, and
// helpers that drive the wizard and the property sheet without modal loops.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/framework/wizard_sheet.h"
#include "store/menu_entry.h"
#include "tests/support/test_support.h"

namespace menvolt_test {

// Runs the posted requests (the wizard's buttons) as the message loop would.
void Flush();

// Opens `path` with the loader document, and checks it with menvolt-cli.
::testing::AssertionResult LoaderAccepted(const std::filesystem::path& host, const std::string& windowsPath);

struct EntryTest : ::testing::Test {
    menvolt_test::TempShare share;
    menvolt_test::ScriptedMessages messages;
    const std::string root = menvolt_test::TempShare::Unc();
    const std::string relative = "Setup\\English\\Tools\\Zent\\i386\\";
    const std::string folder = root + relative;

    void SetUp() override;
    void TearDown() override;

    std::filesystem::path HostFolder() const;
    std::filesystem::path HostFile(const std::string& name) const { return HostFolder() / name; }
    int FileCount() const;  // files in the entry folder and its templates folder

    // Runs the create wizard on `entry`; `script` drives the running sheet.
    BOOL RunWizard(MenuEntry& entry, const std::function<void(framework::CPropertySheetEx&)>& script);
    // Runs the property sheet on an entry opened from `sifName`.
    BOOL RunSheet(MenuEntry& entry, const std::function<void(framework::CPropertySheet&)>& script);

    // Writes an entry with `items` items (descriptions "Item 1", ...) as
    // tool<number>.ldr and templates\tool<number>.sif.
    void WriteEntry(int number, const std::string& description, int items);
};

// Presses a sheet button and lets posted requests run.
void Press(framework::CPropertySheet& sheet, int button);

template <class T>
T* Active(framework::CPropertySheet& sheet) {
    return dynamic_cast<T*>(sheet.GetActivePage());
}

}  // namespace menvolt_test
