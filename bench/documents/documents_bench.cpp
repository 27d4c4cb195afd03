// Loader document operations, each beside a floor measured in the same run:
// a memmove of 8 KiB (the most any edit moves) and a raw read and write of an
// 8 KiB file (the least any open or save can cost).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "loader/loader_file.h"
#include "platform/file_system.h"

namespace {

std::string Folder() {
    static std::string folder = [] {
        std::string tmpl = (std::filesystem::temp_directory_path() / "menvolt-bench-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) abort();
        platform::MapDrive('B', tmpl);
        return tmpl;
    }();
    return folder;
}

LoaderFile FullDocument() {
    LoaderFile doc;
    doc.SetServerPath("Setup\\English\\Tools\\Zent\\i386\\");
    for (int slot = 0; slot < 8; ++slot)
        doc.SetItem(slot, "image" + std::to_string(slot) + ".img", std::string(65, 'd'), std::string(260, 'h'));
    return doc;
}

// ---- floors --------------------------------------------------------------

void Floor_Memmove8K(benchmark::State& state) {
    std::vector<char> buffer(8192 + 64);
    for (auto _ : state) {
        std::memmove(buffer.data() + 64, buffer.data(), 8192);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(Floor_Memmove8K);

void Floor_RawRead8K(benchmark::State& state) {
    std::string path = Folder() + "/raw.bin";
    std::vector<char> bytes(8192, 'x');
    int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
    if (::write(fd, bytes.data(), bytes.size()) != 8192) abort();
    ::close(fd);
    for (auto _ : state) {
        fd = ::open(path.c_str(), O_RDWR);
        benchmark::DoNotOptimize(::read(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
}
BENCHMARK(Floor_RawRead8K);

void Floor_RawWrite8K(benchmark::State& state) {
    std::string path = Folder() + "/raw.bin";
    std::vector<char> bytes(8192, 'x');
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::close(fd);
    }
}
BENCHMARK(Floor_RawWrite8K);

// Same write made durable and atomic the way Save does it (temp file, fsync,
// rename): the fair floor for Save, whose cost is mostly the fsync.
void Floor_RawDurableReplace8K(benchmark::State& state) {
    std::string path = Folder() + "/raw.bin";
    std::string tmp = Folder() + "/raw.tmp";
    std::vector<char> bytes(8192, 'x');
    for (auto _ : state) {
        int fd = ::open(tmp.c_str(), O_CREAT | O_TRUNC | O_RDWR, 0644);
        benchmark::DoNotOptimize(::write(fd, bytes.data(), bytes.size()));
        ::fsync(fd);
        ::close(fd);
        ::rename(tmp.c_str(), path.c_str());
    }
}
BENCHMARK(Floor_RawDurableReplace8K);

// ---- document operations ------------------------------------------------------

void Loader_Open(benchmark::State& state) {
    Folder();  // maps B: when this benchmark runs alone
    LoaderFile doc = FullDocument();
    if (!doc.SaveAs("B:\\open.ldr")) return state.SkipWithError("cannot write the sample file");
    for (auto _ : state) {
        LoaderFile opened;
        if (!opened.Open("B:\\open.ldr")) return state.SkipWithError("open failed");
    }
}
BENCHMARK(Loader_Open);

void Loader_SetItemOnFullDocument(benchmark::State& state) {
    LoaderFile doc = FullDocument();
    int i = 0;
    for (auto _ : state) {
        // Alternate lengths so every call really moves the bytes behind slot 0.
        benchmark::DoNotOptimize(doc.SetItem(0, (i++ & 1) ? "a.img" : "longer-name.img", std::string(65, 'd'),
                                             std::string(260, 'h')));
    }
}
BENCHMARK(Loader_SetItemOnFullDocument);

void Loader_RemoveItem(benchmark::State& state) {
    LoaderFile full = FullDocument();
    for (auto _ : state) {
        state.PauseTiming();
        LoaderFile doc = full;
        state.ResumeTiming();
        benchmark::DoNotOptimize(doc.RemoveItem(0));
    }
}
BENCHMARK(Loader_RemoveItem);

void Loader_WrapHelpText(benchmark::State& state) {
    std::string help;
    for (int i = 0; help.size() < 260; ++i) help += "word" + std::to_string(i) + " ";
    help.resize(260);
    std::string wrapped;
    for (auto _ : state) benchmark::DoNotOptimize(LoaderFile::WrapText(help, wrapped));
}
BENCHMARK(Loader_WrapHelpText);

void Loader_Save(benchmark::State& state) {
    Folder();
    LoaderFile doc = FullDocument();
    if (!doc.SaveAs("B:\\save.ldr")) return state.SkipWithError("cannot write the sample file");
    for (auto _ : state)
        if (!doc.Save()) return state.SkipWithError("save failed");
}
BENCHMARK(Loader_Save);

}  // namespace

BENCHMARK_MAIN();
