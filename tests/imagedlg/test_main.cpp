// Runs the image dialog tests headless, with fsck.fat at hand.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "dialog_units.h"
#include "image_fakes.h"

namespace imagedlg_test {

bool FsckClean(const std::filesystem::path& image, std::string* report) {
    std::string command = "fsck.fat -n '" + image.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    std::string output;
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    int status = pclose(pipe);
    if (report) *report = output;
    return status == 0;
}

}  // namespace imagedlg_test

namespace {
QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform's complaint about size hints is noise.
void FilterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints"))) return;
    if (g_defaultHandler) g_defaultHandler(type, context, message);
}
}  // namespace

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
    g_defaultHandler = qInstallMessageHandler(FilterMessages);
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
