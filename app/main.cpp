// menvolt: the boot menu editor.
//
// Host options (the program proper reads no settings):
//   --share DIR   publish DIR as the installation share \\<computer>\RemInst
//   --demo        build a demo share in a fresh temporary folder and use it
// Without either, the share is the [REMINST] share of Samba's configuration.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "demo_share.h"
#include "dialog.h"
#include "classic_look.h"
#include "dialog_units.h"
#include "editor_app.h"
#include "entry_runners_ui.h"
#include "file_system.h"
#include "host_system.h"
#include "qt_message_sink.h"

// The one application object.
CEditorApp theApp;

namespace {

struct Options {
    std::string share;
    bool demo = false;
    std::string screenshot;  // undocumented: save the main window as a picture and close it
    bool ok = true;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--share" && i + 1 < argc) {
            options.share = argv[++i];
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--screenshot" && i + 1 < argc) {
            options.screenshot = argv[++i];
        } else {
            options.ok = false;
        }
    }
    if (options.demo && !options.share.empty()) options.ok = false;
    return options;
}

// Once the main window is up, saves it to `file` and closes it.
void ScheduleScreenshot(const std::string& file) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [timer, file] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || theApp.m_pMainWnd == nullptr ||
            modal != static_cast<QWidget*>(theApp.m_pMainWnd->GetSafeHwnd()))
            return;
        timer->stop();
        QTimer::singleShot(300, modal, [modal, file] {
            modal->grab().save(QString::fromStdString(file));
            modal->close();
        });
    });
    timer->start(50);
}

}  // namespace

int main(int argc, char** argv) {
    Options options = ParseOptions(argc, argv);
    if (!options.ok) {
        std::fprintf(stderr, "usage: %s [--share DIR | --demo]\n", argv[0]);
        return 2;
    }
    QApplication application(argc, argv);
    framework::InstallClassicLook();
    framework::QtMessageSink sink;
    platform::SetMessageSink(&sink);

    std::error_code ec;
    theApp.SetModulePath(platform::ToWindowsPath(std::filesystem::read_symlink("/proc/self/exe", ec)));

    const std::string computer = host::ComputerName();
    std::filesystem::path demoFolder;
    if (options.demo) {
        demoFolder = BuildDemoShare(computer);
    } else if (!options.share.empty()) {
        platform::MapShare(computer, "RemInst", std::filesystem::absolute(options.share, ec));
    } else {
        host::SambaConfig config = host::ReadSambaConfig();
        if (!config.reminstPath.empty()) platform::MapShare(computer, "RemInst", config.reminstPath);
    }
    if (!options.screenshot.empty()) ScheduleScreenshot(options.screenshot);

    InstallEntryRunners();
    theApp.InitInstance();

    platform::SetMessageSink(nullptr);
    if (!demoFolder.empty()) std::filesystem::remove_all(demoFolder, ec);
    return 0;
}
