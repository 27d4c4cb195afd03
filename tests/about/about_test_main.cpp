// Runs the About box, link and help tests headless.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "dialog_units.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::string runtime;
    if (!getenv("XDG_RUNTIME_DIR")) {
        std::string pattern = (std::filesystem::temp_directory_path() / "menvolt-xdg-XXXXXX").string();
        if (mkdtemp(pattern.data())) {
            runtime = pattern;
            setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    framework::InstallDialogFont();
    int result = RUN_ALL_TESTS();
    if (!runtime.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime, ec);
    }
    return result;
}
