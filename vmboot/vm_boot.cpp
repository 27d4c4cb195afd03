#include "vm_boot.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "process.h"
#include "qmp_client.h"
#include "resource.h"
#include "string_table.h"
#include "temp_folder.h"

namespace fs = std::filesystem;

namespace vmboot {

namespace {

constexpr const char kQemu[] = "qemu-system-x86_64";
constexpr const char* kBootRoms[] = {"/usr/lib/ipxe/qemu/efi-e1000.rom", "/usr/lib/ipxe/qemu/pxe-e1000.rom"};
constexpr uint32_t kTextScreen = 0xB8000;
constexpr int kScreenBytes = 80 * 25 * 2;

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> ScreenRows(const std::string& cells) {
    std::vector<std::string> rows;
    for (int r = 0; r < 25; ++r) {
        std::string row;
        for (int c = 0; c < 80; ++c) {
            size_t at = static_cast<size_t>((r * 80 + c) * 2);
            unsigned char ch = at < cells.size() ? static_cast<unsigned char>(cells[at]) : ' ';
            row += (ch >= 0x20 && ch < 0x7F) ? static_cast<char>(ch) : (ch == 0 ? ' ' : '.');
        }
        while (!row.empty() && row.back() == ' ') row.pop_back();
        rows.push_back(row);
    }
    return rows;
}

// A TFTP root in which the chain program, the loader and every file of the
// loader's folder answer to the names the client will ask for. QEMU's TFTP
// server takes backslashes literally, so "<server path><name>" is one file name.
bool PrepareRoot(const Request& request, const fs::path& root, std::string& error) {
    std::error_code ec;
    fs::create_directories(root, ec);
    fs::copy_file(request.chainHostPath, root / "menvolt.0", ec);
    if (ec) {
        error = "cannot copy the chain program " + request.chainHostPath + ": " + ec.message();
        return false;
    }
    fs::copy_file(request.loaderHostPath, root / "menvolt.ldr", ec);
    if (ec) {
        error = "cannot copy the loader file " + request.loaderHostPath + ": " + ec.message();
        return false;
    }
    for (const auto& entry : fs::directory_iterator(request.folderHostPath, ec)) {
        if (!entry.is_regular_file()) continue;
        std::string name = request.serverPath + entry.path().filename().string();
        if (name.find('/') != std::string::npos) continue;
        fs::create_symlink(fs::absolute(entry.path()), root / name, ec);
    }
    return true;
}

// The window QEMU can open here: gtk, else sdl, as its own list of display
// backends names them (a backend whose module is not installed is left out
// of that list). "" when neither can.
std::string WindowDisplay() {
    std::string listed;
    if (platform::RunProcess({kQemu, "-display", "help"}, 10000, &listed) != 0) return {};
    std::vector<std::string> names;
    size_t from = 0;
    while (from < listed.size()) {
        size_t end = listed.find('\n', from);
        if (end == std::string::npos) end = listed.size();
        names.push_back(listed.substr(from, end - from));
        from = end + 1;
    }
    for (const char* wanted : {"gtk", "sdl"})
        for (const std::string& name : names)
            if (name == wanted) return wanted;
    return {};
}

std::vector<std::string> QemuArguments(const Request& request, const fs::path& work) {
    std::vector<std::string> args = {
        kQemu, "-accel", "tcg", "-M", "pc", "-m", "256", "-no-reboot", "-name", "Menvolt test boot",
        "-netdev", "user,id=n0,tftp=" + (work / "tftp").string() + ",bootfile=menvolt.0",
        "-device", "e1000,netdev=n0", "-boot", "n", "-serial", "file:" + (work / "serial.log").string()};
    if (request.headless) {
        for (const char* a : {"-display", "none", "-monitor", "none"}) args.push_back(a);
        args.push_back("-qmp");
        args.push_back("unix:" + (work / "qmp.sock").string() + ",server=on,wait=off");
    } else {
        // Asked for by name: left to itself, QEMU without a window module
        // serves a VNC display nobody sees.
        args.push_back("-display");
        args.push_back(request.display);
    }
    return args;
}

}  // namespace

std::string FindChainProgram() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    fs::path chain = self.parent_path() / "chain.0";
    return fs::exists(chain, ec) ? chain.string() : std::string();
}

std::string MissingEmulator() {
    bool rom = false;
    for (const char* file : kBootRoms) rom = rom || ::access(file, R_OK) == 0;
    if (platform::FindProgram(kQemu).empty() || !rom)
        return "A test boot needs QEMU and its network boot ROMs, which are not installed here. "
               "Install the Debian packages qemu-system-x86 and ipxe-qemu "
               "(apt install qemu-system-x86 ipxe-qemu).";
    return {};
}

Result Run(const Request& request) {
    Result result;
    result.message = MissingEmulator();
    if (!result.message.empty()) return result;
    Request run = request;
    if (!request.headless) {
        run.display = WindowDisplay();
        if (run.display.empty()) {
            result.message = res::LoadString(res::IDS_NO_QEMU_WINDOW);
            return result;
        }
    }
    if (request.chainHostPath.empty()) {
        result.message = "the chain network boot program was not found beside the program";
        return result;
    }
    const fs::path work = platform::MakeTempFolder("menvolt-testboot-");
    if (work.empty()) {
        result.message = "cannot make a temporary folder";
        return result;
    }
    if (!PrepareRoot(request, work / "tftp", result.message)) {
        std::error_code ec;
        fs::remove_all(work, ec);
        return result;
    }
    if (!request.headless) {
        // The window runs on after we return; the temporary root goes when
        // it ends. A QEMU that cannot open its window ends at once: wait a
        // moment for that, so it is not reported as started.
        const int code = platform::StartDetached(QemuArguments(run, work), 1500, work.string());
        result.ok = code == platform::kProcessRunning;
        if (code == platform::kProcessNotStarted) result.message = "cannot start a process";
        else if (code >= 0) result.message = res::FormatString(res::IDS_QEMU_ENDED, code, run.display.c_str());
        else result.message = "started the test boot in a QEMU window";
        return result;
    }

    // A headless run keeps QEMU's complaints to itself (it is ended by a
    // signal, which QEMU reports on standard error).
    platform::ChildProcess qemu;
    const bool started = qemu.Start(QemuArguments(request, work), true);
    QmpClient qmp;
    std::string cells, last;
    if (!started || !qmp.Connect((work / "qmp.sock").string(), 10000)) {
        result.message = "QEMU did not start";
    } else {
        // Wait until the chain program has run, then until the screen has
        // stood still for a while: that is the client's first screen.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
        bool promptSkipped = false;
        int still = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (qemu.HasEnded()) break;
            std::string file = (work / "screen.bin").string();
            if (!qmp.Execute("pmemsave", "{\"val\":" + std::to_string(kTextScreen) + ",\"size\":" +
                                             std::to_string(kScreenBytes) + ",\"filename\":\"" + file + "\"}"))
                break;
            cells = ReadFile(file);
            std::string text;
            for (size_t i = 0; i < cells.size(); i += 2) text += cells[i];
            // The boot ROM waits two seconds for Ctrl-B; any other key goes on at once.
            if (!promptSkipped && text.find("Ctrl-B") != std::string::npos) {
                qmp.Execute("send-key", "{\"keys\":[{\"type\":\"qcode\",\"data\":\"spc\"}]}");
                promptSkipped = true;
            }
            bool chainRan = ReadFile(work / "serial.log").find("Menvolt chain") != std::string::npos;
            still = (chainRan && cells == last) ? still + 1 : 0;
            last = cells;
            if (still >= 8) {
                result.ok = true;
                break;
            }
        }
        if (!result.ok) result.message = "the client's screen did not settle in time";
    }
    result.screen = ScreenRows(cells);
    qmp.Close();
    qemu.Stop();
    std::error_code ec;
    fs::remove_all(work, ec);
    return result;
}

}  // namespace vmboot
