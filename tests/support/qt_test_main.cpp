// The main of every Qt test program: runs them headless, in one
// QApplication, in a runtime folder of their own; the editor's programs
// (MENVOLT_TEST_CLASSIC_LOOK) with the framework's look and dialog font.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstring>
#include <filesystem>
#include <string>

#ifdef MENVOLT_TEST_CLASSIC_LOOK
#include "platform/framework/classic_look.h"
#endif

namespace {

QtMessageHandler g_defaultHandler = nullptr;

// The offscreen platform reports that it cannot propagate size hints; that
// is noise, not a fault.
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
#ifdef MENVOLT_TEST_CLASSIC_LOOK
    framework::InstallClassicLook();
#endif
    int result = RUN_ALL_TESTS();
    if (!runtime.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(runtime, ec);
    }
    return result;
}
