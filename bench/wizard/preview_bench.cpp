// The client screen preview is rebuilt on every keystroke in the banner and
// on every colour or item change, so it must stay far below a frame. Each
// step is reported beside a floor measured in the same run: copying the
// 8 KiB loader document (the preview draws from a copy) and filling the
// 2000 cells of the screen.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

#include "loader/loader_file.h"
#include "loader/client_screen.h"
#include "ui/common/client_screen_view.h"

namespace {

LoaderFile FullDocument() {
    LoaderFile doc;
    doc.SetServerPath("Setup\\English\\Tools\\Zent\\i386\\");
    for (int slot = 0; slot < 8; ++slot)
        doc.SetItem(slot, "image" + std::to_string(slot) + ".img", std::string(65, 'd'), std::string(260, 'h'));
    return doc;
}

void Floor_CopyLoaderDocument(benchmark::State& state) {
    LoaderFile doc = FullDocument();
    for (auto _ : state) {
        LoaderFile copy = doc;
        benchmark::DoNotOptimize(copy.Data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Floor_CopyLoaderDocument);

void Floor_FillScreenCells(benchmark::State& state) {
    ClientScreen screen;
    for (auto _ : state) {
        for (auto& row : screen.cells)
            for (auto& cell : row) cell = {' ', 0x07};
        benchmark::DoNotOptimize(screen.cells.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Floor_FillScreenCells);

void DrawMenuScreen_EightItems(benchmark::State& state) {
    LoaderFile doc = FullDocument();
    for (auto _ : state) {
        ClientScreen screen = DrawMenuScreen(doc, 3);
        benchmark::DoNotOptimize(screen.cells.data());
    }
}
BENCHMARK(DrawMenuScreen_EightItems);

// What one banner keystroke in the appearance dialog costs before painting.
void PreviewUpdate_BannerKeystroke(benchmark::State& state) {
    LoaderFile doc = FullDocument();
    for (auto _ : state) {
        LoaderFile shown = doc;
        shown.SetTitle("Rescue tools");
        shown.SetColors(0x3E1C);
        ClientScreen screen = DrawMenuScreen(shown, 0);
        benchmark::DoNotOptimize(screen.cells.data());
    }
}
BENCHMARK(PreviewUpdate_BannerKeystroke);

// Painting the 80 x 25 cells at the dialogs' scale.
void PreviewPaint(benchmark::State& state) {
    LoaderFile doc = FullDocument();
    ClientScreenView view(nullptr, 4, 8);
    view.SetScreen(DrawMenuScreen(doc, 0));
    for (auto _ : state) {
        QImage image = view.Render();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(PreviewPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
