// Speed of the client menu loader.
//
// In the emulator bench: instructions from entry to a drawn three-item menu
// (floor: entry to the return of a hard-drive item, the start-up without
// any screen work), and instructions per RAM disk sector read (floor: a
// request for another drive, which the service only passes on).
//
// In QEMU: RAM disk reads of every sector, one track and up to 127 sectors
// a request, beside the same reads from MEMDISK in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "tests/support/loader_maker.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

using namespace menvolt_test;
using namespace menvolt_test;

namespace {

const uint32_t kServer = 0x0202000A;

std::unique_ptr<RealModePc> Machine() {
    auto m = std::make_unique<RealModePc>();
    m->cachedReply = BootpReply(kServer);
    return m;
}

void RunCounted(benchmark::State& state, const std::vector<uint8_t>& file, Stop expected) {
    uint64_t instructions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto m = Machine();
        m->Load(file);
        m->CountInstructions(true);
        state.ResumeTiming();
        Stop stop = m->Run();
        if (stop != expected) state.SkipWithError(StopName(stop));
        instructions = m->instructions;
    }
    state.counters["instructions"] = static_cast<double>(instructions);
}

void BM_EntryToMenu(benchmark::State& state) {
    auto file = MakeLoader({{"a.img", "First", "Help of the first item"}, {"b.img", "Second", ""}, {"", "Hard drive", ""}});
    RunCounted(state, file, Stop::WaitingForKey);
}
BENCHMARK(BM_EntryToMenu)->Unit(benchmark::kMicrosecond);

void BM_EntryToHardDriveReturnFloor(benchmark::State& state) {
    RunCounted(state, MakeLoader({{"", "Hard drive", ""}}), Stop::ReturnedToCaller);
}
BENCHMARK(BM_EntryToHardDriveReturnFloor)->Unit(benchmark::kMicrosecond);

std::unique_ptr<RealModePc> InstalledRamDisk() {
    auto m = Machine();
    m->tftpFiles[std::string(kServerPath) + "disk.img"] = DisketteImage();
    m->Load(MakeLoader({{"disk.img", "Diskette", ""}}));
    m->Run();
    m->CountInstructions(true);
    return m;
}

void CountedReads(benchmark::State& state, uint8_t drive) {
    auto m = InstalledRamDisk();
    uint64_t total = 0, reads = 0;
    uint16_t sector = 0;
    for (auto _ : state) {
        Registers r;
        uint16_t track = sector / 18;
        r.ax = 0x0201;
        r.cx = uint16_t((track >> 1) << 8 | (sector % 18 + 1));
        r.dx = uint16_t((track & 1) << 8 | drive);
        r.es = 0x1000;
        m->instructions = 0;
        if (m->CallInt13(r) != Stop::ReturnedToCaller || (drive == 0 && r.Carry())) state.SkipWithError("read failed");
        total += m->instructions;
        ++reads;
        sector = uint16_t((sector + 1) % 2880);
    }
    state.counters["instructions_per_read"] = reads ? double(total) / double(reads) : 0;
}

void BM_RamDiskSectorRead(benchmark::State& state) { CountedReads(state, 0); }
BENCHMARK(BM_RamDiskSectorRead)->Unit(benchmark::kMicrosecond);

void BM_OtherDrivePassedOnFloor(benchmark::State& state) { CountedReads(state, 0x80); }
BENCHMARK(BM_OtherDrivePassedOnFloor)->Unit(benchmark::kMicrosecond);

// RAM disk reads in QEMU, Menvolt against MEMDISK started by pxelinux on
// the same disk (the floor), in interleaved pairs: ramdisk_bench.py prints
// the full table; here its medians become counters. MENVOLT_BENCH_QEMU=0
// skips it; MENVOLT_BENCH_PAIRS sets the number of pairs (default 7).
void BM_QemuRamDiskReadsAgainstMemdisk(benchmark::State& state) {
    const char* off = std::getenv("MENVOLT_BENCH_QEMU");
    if (off && std::string(off) == "0") {
        state.SkipWithError("MENVOLT_BENCH_QEMU=0");
        for (auto _ : state) {
        }
        return;
    }
    const char* pairs = std::getenv("MENVOLT_BENCH_PAIRS");
    std::map<std::string, double> results;
    for (auto _ : state) {
        std::string command = std::string("python3 ") + RAMDISK_BENCH_SCRIPT + " --bin " + BIN_DIR + " --reader " +
                              RAMDISK_READER + " --pairs " + (pairs ? pairs : "7") + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            state.SkipWithError("cannot run the QEMU script");
            break;
        }
        char line[512];
        while (fgets(line, sizeof line, pipe)) {
            std::fputs(line, stderr);
            int pattern = 0;
            char name[32] = {};
            double value = 0;
            if (std::sscanf(line, "RESULT pattern=%d %31[a-z]=%lf", &pattern, name, &value) == 3)
                results[std::string(pattern == 1 ? "track_" : "big_") + name] = value;
        }
        if (pclose(pipe) != 0 || results.size() != 6) state.SkipWithError("QEMU comparison failed");
    }
    for (const auto& [name, value] : results) {
        std::string key = name;
        if (key.find("memdisk") != std::string::npos) key += "_floor";
        if (key.find("ratio") == std::string::npos) key += "_MBps";
        state.counters[key] = value;
    }
}
BENCHMARK(BM_QemuRamDiskReadsAgainstMemdisk)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
