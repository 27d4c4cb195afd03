// Start-up to the main window shown, and Refresh of a share with 1,000
// entries; each beside a floor measured in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/editor_app.h"
#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "platform/framework/dialog_units.h"
#include "platform/host_system.h"
#include "platform/message_box.h"
#include "store/menu_store.h"
#include "store/sif_file.h"

namespace {

const std::string kRoot = "\\\\BENCHHOST\\RemInst\\";

// A share with `entries` entries in English\Tools (every fifth a submenu)
// and a second, empty language.
struct Share {
    std::filesystem::path dir;
    explicit Share(int entries) {
        std::string pattern = (std::filesystem::temp_directory_path() / "menvolt-bench-XXXXXX").string();
        dir = mkdtemp(pattern.data());
        platform::MapShare("BENCHHOST", "RemInst", dir);
        std::filesystem::create_directories(dir / "Setup/English/Tools/Zent/i386/templates");
        std::filesystem::create_directories(dir / "Setup/German");
        const std::string folder = kRoot + "Setup\\English\\Tools\\Zent\\i386\\";
        for (int i = 0; i < entries; ++i) {
            std::string n = std::to_string(i);
            LoaderFile loader;
            loader.SetServerPath("Setup\\English\\Tools\\Zent\\i386\\");
            int items = i % 5 == 0 ? 4 : 1;
            for (int k = 0; k < items; ++k) loader.SetItem(k, "disk" + std::to_string(k) + ".img", "Item", "Help");
            loader.SaveAs(folder + "tool" + n + ".ldr");
            SifFile sif;
            sif.SetValue("Description", "Entry " + n);
            sif.SetValue("LaunchFile", "Setup\\English\\Tools\\Zent\\i386\\tool" + n + ".ldr");
            sif.SaveAs(folder + "templates\\tool" + n + ".sif");
        }
    }
    ~Share() {
        platform::ClearMappings();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

std::string ReadRaw(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_Refresh1000(benchmark::State& state) {
    Share share(1000);
    MenuStore store;
    store.Load(kRoot, "English", 0);
    for (auto _ : state) {
        store.Refresh();
        benchmark::DoNotOptimize(store.GetCount());
    }
    if (store.GetCount() != 1000) state.SkipWithError("wrong entry count");
}

// Floor: list the same folder and read the same OSChooser and loader files
// raw, without any parsing or checks.
void BM_Refresh1000_Floor(benchmark::State& state) {
    Share share(1000);
    const std::string folder = kRoot + "Setup\\English\\Tools\\Zent\\i386\\";
    const std::filesystem::path host = share.dir / "Setup/English/Tools/Zent/i386";
    for (auto _ : state) {
        size_t bytes = 0;
        for (const platform::FindData& found : platform::ListMatches(folder + "templates\\*.sif")) {
            bytes += ReadRaw(host / "templates" / found.name).size();
            std::string loader = found.name.substr(0, found.name.size() - 4) + ".ldr";
            bytes += ReadRaw(host / loader).size();
        }
        benchmark::DoNotOptimize(bytes);
    }
}

// Closes the first modal window as soon as it is visible.
struct CloseWhenShown {
    QTimer timer;
    CloseWhenShown() {
        QObject::connect(&timer, &QTimer::timeout, [] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal && modal->isVisible()) modal->close();
        });
        timer.start(0);
    }
};

class QuietSink : public platform::MessageSink {
    int Show(const platform::MessageRequest&) override { return IDOK; }
};

void BM_StartUpToMainWindow(benchmark::State& state) {
    Share share(20);
    host::SetComputerName("BENCHHOST");
    QuietSink quiet;
    platform::MessageSink* previous = platform::SetMessageSink(&quiet);
    for (auto _ : state) {
        CloseWhenShown closer;
        CEditorApp app;
        app.InitInstance();
        if (app.m_languages.size() != 2) state.SkipWithError("start-up did not reach the main window");
    }
    platform::SetMessageSink(previous);
    host::SetComputerName("");
}

// Floor: an empty modal dialog of the same size, shown and closed the same way.
void BM_StartUpToMainWindow_Floor(benchmark::State& state) {
    for (auto _ : state) {
        CloseWhenShown closer;
        QDialog dialog;
        dialog.setFixedSize(381, 405);
        dialog.exec();
    }
}

BENCHMARK(BM_Refresh1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Refresh1000_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToMainWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpToMainWindow_Floor)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string runtime = (std::filesystem::temp_directory_path() / "menvolt-xdg-XXXXXX").string();
    if (!getenv("XDG_RUNTIME_DIR") && mkdtemp(runtime.data())) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    QApplication application(argc, argv);
    framework::InstallDialogFont();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
