// menvolt: the boot menu editor.
//
// Host options (the program proper reads no settings):
//   --share DIR   publish DIR as the installation share \\<computer>\RemInst
//   --demo        build a demo share in a fresh temporary folder and use it
// Without either, the share is the [REMINST] share of Samba's configuration.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/demo_share.h"
#include "app/editor_app.h"
#include "platform/ansi_text.h"
#include "platform/file_system.h"
#include "platform/framework/classic_look.h"
#include "platform/framework/dialog.h"
#include "platform/framework/dialog_units.h"
#include "platform/framework/qt_message_sink.h"
#include "platform/framework/windows_keys.h"
#include "platform/host_system.h"
#include "platform/share_folder_state.h"
#include "res/string_table.h"
#include "ui/entry_runners_ui.h"

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

// Host paths are UTF-8; messages are 1252 text (a path with no 1252 form
// keeps its UTF-8 bytes, which still tell the user where to look).
std::string ForMessage(const std::string& hostPath) {
    std::string ansi;
    return platform::Utf8ToAnsi(hostPath, ansi) ? ansi : hostPath;
}

// The words for what start-up found in the folder it looked in.
std::string FolderFound(const std::filesystem::path& folder) {
    switch (platform::InspectShareFolder(folder)) {
    case platform::ShareFolderState::Missing: return res::LoadString(res::IDS_FOLDER_MISSING);
    case platform::ShareFolderState::NotAFolder: return res::LoadString(res::IDS_FOLDER_NOT_A_FOLDER);
    case platform::ShareFolderState::Unreadable: return res::LoadString(res::IDS_FOLDER_UNREADABLE);
    case platform::ShareFolderState::Empty: return res::LoadString(res::IDS_FOLDER_EMPTY);
    case platform::ShareFolderState::NoSetup: return res::LoadString(res::IDS_FOLDER_NO_SETUP);
    case platform::ShareFolderState::NoLanguage:
    case platform::ShareFolderState::HasLanguages: break;
    }
    return res::LoadString(res::IDS_FOLDER_NO_LANGUAGE);
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
    framework::InstallWindowsKeys();
    framework::QtMessageSink sink;
    platform::SetMessageSink(&sink);

    std::error_code ec;
    theApp.SetModulePath(platform::ToWindowsPath(std::filesystem::read_symlink("/proc/self/exe", ec)));

    const std::string computer = host::ComputerName();
    std::filesystem::path demoFolder;
    if (options.demo) {
        demoFolder = BuildDemoShare(computer);
    } else if (!options.share.empty()) {
        const std::filesystem::path folder = std::filesystem::absolute(options.share, ec);
        platform::MapShare(computer, "RemInst", folder);
        theApp.m_shareHint = res::FormatString(res::IDS_SHARE_LOOKED_IN_OPTION, ForMessage(folder.string()).c_str(),
                                               FolderFound(folder).c_str());
    } else {
        host::SambaConfig config = host::ReadSambaConfig();
        if (!config.reminstPath.empty()) platform::MapShare(computer, "RemInst", config.reminstPath);
        if (config.readError != 0)
            theApp.m_shareHint = res::FormatString(
                res::IDS_SAMBA_CONFIG_MISSING, host::kSambaConfigFile,
                res::LoadString(config.readError == ENOENT ? res::IDS_FOLDER_MISSING : res::IDS_FOLDER_UNREADABLE));
        else if (config.reminstPath.empty())
            theApp.m_shareHint = res::FormatString(res::IDS_SHARE_NOT_IN_SAMBA, host::kSambaConfigFile);
        else
            theApp.m_shareHint =
                res::FormatString(res::IDS_SHARE_LOOKED_IN_SAMBA, ForMessage(config.reminstPath).c_str(),
                                  host::kSambaConfigFile, FolderFound(config.reminstPath).c_str());
    }
    if (!theApp.m_shareHint.empty())
        theApp.m_shareHint += std::string("\n") + res::LoadString(res::IDS_SHARE_MUST_HOLD) + "\n" +
                              res::LoadString(res::IDS_SHARE_ELSEWHERE);
    if (!options.screenshot.empty()) ScheduleScreenshot(options.screenshot);

    InstallEntryRunners();
    theApp.InitInstance();

    platform::SetMessageSink(nullptr);
    if (!demoFolder.empty()) std::filesystem::remove_all(demoFolder, ec);
    return theApp.m_startRefused ? 1 : 0;
}
