// Creating a diskette image and a 16 MB extended image, and adding 100 small
// files, each beside its floors:
//   Raw*     the same number of bytes written to a file and flushed, as the
//            library flushes its images before they take their name;
//   Mtools*  mformat / mcopy doing the same job (one process per job).
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imagelib/image_document.h"
#include "imagelib/image_format.h"
#include "imagelib/image_library.h"

namespace {

namespace fs = std::filesystem;

struct Scratch {
    fs::path dir;
    Scratch() {
        char name[] = "/tmp/imagelib-bench-XXXXXX";
        dir = mkdtemp(name);
        setenv("MTOOLS_SKIP_CHECK", "1", 1);
        setenv("MTOOLSRC", "/dev/null", 1);
    }
    ~Scratch() { fs::remove_all(dir); }
};

void WriteRaw(const fs::path& path, const std::vector<uint8_t>& bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    if (write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) std::abort();
    fsync(fd);
    close(fd);
}

void Shell(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) std::abort();
}

void Create(benchmark::State& state, uint32_t capacity) {
    Scratch s;
    const std::string path = (s.dir / "bench.img").string();
    ImageCreateRequest r{};
    r.size = sizeof r;
    r.path = path.c_str();
    r.fixed = KTIMG_CREATE_FIXED;
    r.options = KTIMG_OPTION_STANDARD;
    r.capacity = capacity;
    for (auto _ : state)
        if (KTCreateImage(&r) != 0) state.SkipWithError("create failed");
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(fs::file_size(path)));
}

void RawWrite(benchmark::State& state, size_t size) {
    Scratch s;
    std::vector<uint8_t> bytes(size, 0xF6);
    for (auto _ : state) WriteRaw(s.dir / "raw.img", bytes);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(size));
}

void BM_CreateNormalImage(benchmark::State& state) { Create(state, 0); }
void BM_CreateNormalImage_RawFloor(benchmark::State& state) { RawWrite(state, imagelib::kFloppyImageSize); }
void BM_CreateNormalImage_MtoolsFloor(benchmark::State& state) {
    Scratch s;
    const std::string path = (s.dir / "m.img").string();
    for (auto _ : state) {
        fs::remove(path);
        Shell("mformat -C -f 1440 -i " + path + " ::");
    }
}

constexpr uint32_t kExtendedSize = 16 * 1024 * 1024;
void BM_CreateExtended16MB(benchmark::State& state) { Create(state, 16); }
void BM_CreateExtended16MB_RawFloor(benchmark::State& state) { RawWrite(state, kExtendedSize + 2048); }
void BM_CreateExtended16MB_MtoolsFloor(benchmark::State& state) {
    Scratch s;
    const std::string path = (s.dir / "m.img").string();
    for (auto _ : state) {
        fs::remove(path);
        Shell("mformat -C -t 16 -h 64 -s 32 -i " + path + " ::");
    }
}

// 100 files of 1,000 to 1,990 bytes.
std::vector<std::string> SmallFiles(const fs::path& dir, size_t& total) {
    std::vector<std::string> files;
    total = 0;
    fs::create_directories(dir);
    for (int i = 0; i < 100; ++i) {
        const fs::path p = dir / ("FILE" + std::to_string(i) + ".TXT");
        std::ofstream(p) << std::string(1000 + 10 * i, static_cast<char>('a' + i % 26));
        total += 1000 + 10 * i;
        files.push_back(p.string());
    }
    return files;
}

void BM_Add100Files(benchmark::State& state) {
    Scratch s;
    size_t total;
    const auto files = SmallFiles(s.dir / "src", total);
    std::vector<uint8_t> empty;
    imagelib::BuildImage(0, 0x100, empty);
    const fs::path image = s.dir / "a.img";
    for (auto _ : state) {
        state.PauseTiming();
        WriteRaw(image, empty);
        imagelib::ImageDocument doc;
        std::string error;
        if (!doc.Open(image.string(), error)) state.SkipWithError(error.c_str());
        state.ResumeTiming();
        if (!doc.AddHostFiles("", files).ok()) state.SkipWithError("add failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(total));
}

// The same files added one at a time, each change written back on its own,
// as a user adding them one by one in the viewer would.
void BM_Add100FilesOneByOne(benchmark::State& state) {
    Scratch s;
    size_t total;
    const auto files = SmallFiles(s.dir / "src", total);
    std::vector<uint8_t> empty;
    imagelib::BuildImage(0, 0x100, empty);
    const fs::path image = s.dir / "a.img";
    for (auto _ : state) {
        state.PauseTiming();
        WriteRaw(image, empty);
        imagelib::ImageDocument doc;
        std::string error;
        if (!doc.Open(image.string(), error)) state.SkipWithError(error.c_str());
        state.ResumeTiming();
        for (const auto& f : files)
            if (!doc.AddHostFiles("", {f}).ok()) state.SkipWithError("add failed");
    }
}

void BM_Add100Files_RawFloor(benchmark::State& state) {
    Scratch s;
    size_t total;
    SmallFiles(s.dir / "src", total);
    std::vector<uint8_t> bytes(total, 'x');
    for (auto _ : state) WriteRaw(s.dir / "raw.bin", bytes);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(total));
}

void BM_Add100Files_MtoolsFloor(benchmark::State& state) {
    Scratch s;
    size_t total;
    SmallFiles(s.dir / "src", total);
    std::vector<uint8_t> empty;
    imagelib::BuildImage(0, 0x100, empty);
    const fs::path image = s.dir / "m.img";
    for (auto _ : state) {
        state.PauseTiming();
        WriteRaw(image, empty);
        state.ResumeTiming();
        Shell("mcopy -i " + image.string() + " " + (s.dir / "src").string() + "/*.TXT ::");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(total));
}

}  // namespace

BENCHMARK(BM_CreateNormalImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateNormalImage_RawFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateNormalImage_MtoolsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateExtended16MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateExtended16MB_RawFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateExtended16MB_MtoolsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add100Files)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add100FilesOneByOne)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add100Files_RawFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Add100Files_MtoolsFloor)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
