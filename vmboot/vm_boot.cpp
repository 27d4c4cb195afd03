#include "vmboot/vm_boot.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/host_files.h"
#include "platform/process.h"
#include "platform/temp_folder.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "secureboot/signing.h"
#include "secureboot/variable_store.h"
#include "vmboot/qmp_client.h"
#include "vmboot/terminal_screen.h"

namespace fs = std::filesystem;

namespace vmboot {

namespace {

constexpr const char kQemu[] = "qemu-system-x86_64";
constexpr const char kQemuArm64[] = "qemu-system-aarch64";
constexpr const char* kBootRoms[] = {"/usr/lib/ipxe/qemu/efi-e1000.rom", "/usr/lib/ipxe/qemu/pxe-e1000.rom"};
// Debian's ovmf: the firmware, and the variable store each run gets a fresh copy of.
constexpr const char kOvmfCode[] = "/usr/share/OVMF/OVMF_CODE_4M.fd";
constexpr const char kOvmfVars[] = "/usr/share/OVMF/OVMF_VARS_4M.fd";
// Debian's qemu-efi-aarch64: the same firmware for QEMU's 64-bit ARM board.
constexpr const char kAavmfCode[] = "/usr/share/AAVMF/AAVMF_CODE.fd";
constexpr const char kAavmfVars[] = "/usr/share/AAVMF/AAVMF_VARS.fd";
// What the firmware's PXE boot says once it has the network boot program.
constexpr const char kNbpDownloaded[] = "NBP file downloaded successfully";
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

const char* BootFile(const Request& request) {
    return request.arm64 ? "menvolt-aa64.efi" : request.uefi ? "menvolt.efi" : "menvolt.0";
}

// A TFTP root in which the network boot program, the loader and every file of the
// loader's folder answer to the names the client will ask for. QEMU's TFTP
// server takes backslashes literally, so "<server path><name>" is one file name.
bool PrepareRoot(const Request& request, const fs::path& root, std::string& error) {
    std::error_code ec;
    fs::create_directories(root, ec);
    const std::string& program = request.uefi ? request.efiHostPath : request.chainHostPath;
    fs::copy_file(program, root / BootFile(request), ec);
    if (ec) {
        error = "cannot copy the network boot program " + program + ": " + ec.message();
        return false;
    }
    const char* vars = request.arm64 ? kAavmfVars : kOvmfVars;
    if (request.uefi && !request.secureBoot) fs::copy_file(vars, root.parent_path() / "vars.fd", ec);
    if (ec) {
        error = std::string("cannot copy the firmware's variable store ") + vars + ": " + ec.message();
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

// Secure Boot: a store with the keys PCs ship with and the site key in db,
// and menvolt.efi signed with the site key in place of the copy in the root.
bool PrepareSecureBoot(const Request& request, const fs::path& work, std::string& trusts, std::string& error) {
    const secureboot::KeyFiles keys = secureboot::KeyFilesIn(
        request.keyFolder.empty() ? secureboot::DefaultKeyFolder() : request.keyFolder);
    std::error_code ec;
    if (!fs::exists(keys.der, ec)) {
        error = "A test boot with Secure Boot starts a PC that trusts the site key, and " + keys.folder +
                " holds none: make one with menvolt-cli secureboot key.";
        return false;
    }
    const std::string subject = secureboot::CertificateSubject(keys.certificate, error);
    if (subject.empty()) return false;
    error = secureboot::WriteStoreTrusting(secureboot::kShippedKeysStore, keys.der, secureboot::TrustList::Db,
                                           (work / "vars.fd").string());
    if (!error.empty()) return false;
    std::string program, signedProgram;
    const fs::path copy = work / "tftp" / "menvolt.efi";
    if (int e = platform::ReadHostFile(copy.string(), program, size_t{64} << 20)) {
        error = copy.string() + ": " + platform::ErrorText(e);
        return false;
    }
    error = secureboot::SignProgram(keys, program, request.efiHostPath, true, signedProgram);
    if (!error.empty()) return false;
    if (int e = platform::WriteHostFile(copy.string(), signedProgram, 0644, platform::HostWrite::Replace)) {
        error = "cannot write " + copy.string() + ": " + platform::ErrorText(e);
        return false;
    }
    trusts = "Secure Boot on, trusting the site key " + subject + " and the Microsoft keys PCs ship with";
    return true;
}

// The window's title: an option value of QEMU's, where "guest=" keeps an
// '=' in the text from reading as a key and a comma is doubled.
std::string WindowTitle(const std::string& trusts) {
    std::string title = "guest=Menvolt test boot";
    if (!trusts.empty()) title += " - " + trusts;
    for (size_t at = 0; (at = title.find(',', at)) != std::string::npos; at += 2) title.insert(at, ",");
    return title;
}

std::vector<std::string> QemuArguments(const Request& request, const fs::path& work, const std::string& trusts) {
    std::vector<std::string> args = {
        request.arm64 ? kQemuArm64 : kQemu, "-accel", "tcg", "-M",
        request.arm64 ? "virt" : request.secureBoot ? "q35,smm=on" : "pc", "-m", request.uefi ? "512" : "256",
        "-no-reboot", "-name", WindowTitle(trusts), "-serial", "file:" + (work / "serial.log").string(), "-netdev",
        "user,id=n0,tftp=" + (work / "tftp").string() + ",bootfile=" + BootFile(request) + (request.uefi ? ",ipv6=off" : "")};
    if (request.uefi) {
        // The firmware's own network stack (no boot ROM on the card), over
        // IPv4 only, so that no IPv6 boot option waits out its time first.
        // Secure Boot: the variable store may be written from SMM only.
        if (request.secureBoot)
            for (const char* a : {"-global", "driver=cfi.pflash01,property=secure,value=on"}) args.push_back(a);
        // The ARM board has no keyboard of its own: keys reach a USB one.
        if (request.arm64)
            for (const char* a : {"-cpu", "max", "-device", "qemu-xhci", "-device", "usb-kbd"}) args.push_back(a);
        // The firmware draws its text console at the display's preferred
        // size: 800 x 600 keeps the client's 80 x 25 screen in a window that
        // fits a 1024 x 768 desktop (left to itself OVMF takes 1280 x 800).
        // The ARM board has no display of its own at all.
        for (const char* a : {"-vga", "none", "-device",
                              request.arm64 ? "virtio-gpu-pci,xres=800,yres=600" : "VGA,xres=800,yres=600"})
            args.push_back(a);
        const std::vector<std::string> firmware = {
            "-drive", std::string("if=pflash,format=raw,unit=0,readonly=on,file=") +
                          (request.arm64 ? kAavmfCode : request.secureBoot ? secureboot::kSecureBootFirmware : kOvmfCode),
            "-drive", "if=pflash,format=raw,unit=1,file=" + (work / "vars.fd").string(),
            "-device", "virtio-net-pci,romfile=,netdev=n0,bootindex=1",
            "-fw_cfg", "name=opt/org.tianocore/IPv6Support,string=no"};
        args.insert(args.end(), firmware.begin(), firmware.end());
    } else {
        for (const char* a : {"-device", "e1000,netdev=n0", "-boot", "n"}) args.push_back(a);
    }
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

namespace {

std::string BesideProgram(const char* name) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    fs::path file = self.parent_path() / name;
    return fs::exists(file, ec) ? file.string() : std::string();
}

}  // namespace

std::string FindChainProgram() { return BesideProgram("chain.0"); }
std::string FindEfiProgram(bool arm64) { return BesideProgram(arm64 ? "menvolt-aa64.efi" : "menvolt.efi"); }

std::string MissingEmulator(bool uefi, bool secureBoot, bool arm64) {
    if (arm64) {
        if (!platform::FindProgram(kQemuArm64).empty() && ::access(kAavmfCode, R_OK) == 0 &&
            ::access(kAavmfVars, R_OK) == 0)
            return {};
        return "A test boot on an ARM64 UEFI PC needs QEMU for ARM and its UEFI firmware, which are not installed "
               "here. Install the Debian packages qemu-system-arm and qemu-efi-aarch64 "
               "(apt install qemu-system-arm qemu-efi-aarch64).";
    }
    const bool qemu = !platform::FindProgram(kQemu).empty();
    if (secureBoot && qemu) {
        if (::access(secureboot::kSecureBootFirmware, R_OK) != 0 || ::access(secureboot::kShippedKeysStore, R_OK) != 0)
            return std::string("A test boot with Secure Boot needs OVMF's Secure Boot firmware and the keys PCs ship "
                               "with (") + secureboot::kSecureBootFirmware + ", " + secureboot::kShippedKeysStore +
                   "), which are not installed here. Install the Debian package ovmf (apt install ovmf).";
        std::string tools = secureboot::MissingTools({"sbsign", "openssl"});
        if (!tools.empty()) return "A test boot with Secure Boot signs menvolt.efi first, but " + tools;
    }
    if (uefi) {
        const bool ovmf = ::access(kOvmfCode, R_OK) == 0 && ::access(kOvmfVars, R_OK) == 0;
        if (qemu && ovmf) return {};
        const std::string packages = !qemu && !ovmf ? "qemu-system-x86 ovmf" : qemu ? "ovmf" : "qemu-system-x86";
        return "A test boot on a UEFI PC needs QEMU and the UEFI firmware OVMF, which are not installed here. "
               "Install the Debian " + std::string(!qemu && !ovmf ? "packages qemu-system-x86 and ovmf" : "package " + packages) +
               " (apt install " + packages + ").";
    }
    bool rom = false;
    for (const char* file : kBootRoms) rom = rom || ::access(file, R_OK) == 0;
    if (!qemu || !rom)
        return "A test boot needs QEMU and its network boot ROMs, which are not installed here. "
               "Install the Debian packages qemu-system-x86 and ipxe-qemu "
               "(apt install qemu-system-x86 ipxe-qemu).";
    return {};
}

Result Run(const Request& request) {
    Result result;
    result.message = MissingEmulator(request.uefi, request.secureBoot, request.arm64);
    if (!result.message.empty()) return result;
    Request run = request;
    if (!request.headless) {
        run.display = WindowDisplay();
        if (run.display.empty()) {
            result.message = res::LoadString(res::IDS_NO_QEMU_WINDOW);
            return result;
        }
    }
    if (request.uefi ? request.efiHostPath.empty() : request.chainHostPath.empty()) {
        result.message = request.uefi ? std::string("the UEFI network boot program ") + BootFile(request) +
                                            " was not found beside the program"
                                      : "the chain network boot program was not found beside the program";
        return result;
    }
    const fs::path work = platform::MakeTempFolder("menvolt-testboot-");
    if (work.empty()) {
        result.message = "cannot make a temporary folder";
        return result;
    }
    if (!PrepareRoot(request, work / "tftp", result.message) ||
        (request.secureBoot && !PrepareSecureBoot(request, work, result.trusts, result.message))) {
        std::error_code ec;
        fs::remove_all(work, ec);
        return result;
    }
    if (!request.headless) {
        // The window runs on after we return; the temporary root goes when
        // it ends. A QEMU that cannot open its window ends at once: wait a
        // moment for that, so it is not reported as started.
        const int code = platform::StartDetached(QemuArguments(run, work, result.trusts), 1500, work.string());
        result.ok = code == platform::kProcessRunning;
        if (code == platform::kProcessNotStarted) result.message = "cannot start a process";
        else if (code >= 0) result.message = res::FormatString(res::IDS_QEMU_ENDED, code, run.display.c_str());
        else result.message = "started the test boot in a QEMU window";
        return result;
    }

    // A headless run keeps QEMU's complaints to itself (it is ended by a
    // signal, which QEMU reports on standard error).
    platform::ChildProcess qemu;
    const bool started = qemu.Start(QemuArguments(request, work, result.trusts), true);
    QmpClient qmp;
    std::string cells, last;
    if (!started || !qmp.Connect((work / "qmp.sock").string(), 10000)) {
        result.message = "QEMU did not start";
    } else {
        // Wait until the network boot program has run, then until the screen
        // has stood still for a while: that is the client's first screen.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
        bool promptSkipped = false;
        int still = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (qemu.HasEnded()) break;
            if (request.uefi) {
                // The screen is the firmware's serial mirror; the program has
                // run once something follows the firmware's download line.
                cells = ReadFile(work / "serial.log");
                const size_t downloaded = cells.find(kNbpDownloaded);
                const bool ran = downloaded != std::string::npos && cells.size() > downloaded + 64;
                still = (ran && cells == last) ? still + 1 : 0;
                last = cells;
                if (still >= 8) {
                    result.ok = true;
                    break;
                }
                continue;
            }
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
    result.screen = request.uefi ? TerminalRows(cells) : ScreenRows(cells);
    qmp.Close();
    qemu.Stop();
    std::error_code ec;
    fs::remove_all(work, ec);
    return result;
}

}  // namespace vmboot
