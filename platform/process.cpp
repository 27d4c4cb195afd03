#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace fs = std::filesystem;

namespace platform {

namespace {

// The argument vector execvp wants, made before forking: the child only
// execs, it does not allocate.
std::vector<char*> ArgumentVector(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const std::string& a : argv) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

// Runs in a child: standard input and output on /dev/null (output into
// `outputFd` when it is one), then the program. When the program cannot be
// executed, one byte goes to `failFd` (if any) and the child ends with 127.
[[noreturn]] void Exec(char* const* argv, bool quiet, int outputFd, int failFd, bool errorsToOutput = false) {
    int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(outputFd >= 0 ? outputFd : null, 1);
        if (quiet) ::dup2(null, 2);
    }
    if (errorsToOutput && outputFd >= 0) ::dup2(outputFd, 2);
    ::execvp(argv[0], argv);
    if (failFd >= 0) {
        const char failed = 1;
        [[maybe_unused]] ssize_t n = ::write(failFd, &failed, 1);
    }
    _exit(127);
}

// Waits up to `timeoutMs` (-1: for ever) for one byte; false at the end of
// the pipe or when the time is up.
bool ReadByte(int fd, unsigned char* byte, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<long long>(0, left.count()));
        }
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, wait);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        ssize_t n = ::read(fd, byte, 1);
        if (n < 0 && errno == EINTR) continue;
        return n == 1;
    }
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

}  // namespace

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        fs::path candidate = fs::path(dirs.substr(start, end - start)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return {};
}

// ---- ChildProcess -----------------------------------------------------------

ChildProcess::~ChildProcess() { Stop(); }

bool ChildProcess::Start(const std::vector<std::string>& argv, bool quiet) {
    if (argv.empty() || m_pid > 0) return false;
    std::vector<char*> args = ArgumentVector(argv);
    m_pid = ::fork();
    if (m_pid == 0) Exec(args.data(), quiet, -1, -1);
    return m_pid > 0;
}

bool ChildProcess::HasEnded() {
    if (m_pid <= 0) return true;
    if (::waitpid(m_pid, nullptr, WNOHANG) != m_pid) return false;
    m_pid = -1;
    return true;
}

void ChildProcess::Stop() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

// ---- RunProcess -------------------------------------------------------------

int RunProcess(const std::vector<std::string>& argv, int timeoutMs, std::string* output, bool withErrors) {
    if (argv.empty()) return -1;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return -1;
    std::vector<char*> args = ArgumentVector(argv);
    // The program gets a process group of its own, so that ending it out of
    // time also ends whatever it started.
    pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        Exec(args.data(), false, out[1], -1, withErrors);
    }
    if (pid > 0) ::setpgid(pid, pid);
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return -1;
    }
    // Read until the program closes its output or the time is up; a program
    // that outlives the time is killed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool inTime = true;
    for (unsigned char byte; ;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            inTime = false;
            break;
        }
        if (!ReadByte(out[0], &byte, static_cast<int>(left.count()))) {
            inTime = std::chrono::steady_clock::now() < deadline;
            break;
        }
        if (output) *output += static_cast<char>(byte);
    }
    ::close(out[0]);
    int status = 0;
    while (inTime && ::waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) inTime = false;
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!inTime) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return -1;
    }
    return ExitCode(status);
}

// ---- StartDetached ----------------------------------------------------------

int StartDetached(const std::vector<std::string>& argv, int waitMs, const std::string& removeWhenDone) {
    if (argv.empty()) return kProcessNotStarted;
    // The watcher, a grandchild of ours that init adopts, reports on this
    // pipe: 'S' once the program runs (or 'N' when it cannot), then its exit
    // code when it ends.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return kProcessNotStarted;
    std::vector<char*> args = ArgumentVector(argv);
    pid_t first = ::fork();
    if (first == 0) {
        ::close(report[0]);
        ::setsid();
        if (::fork() != 0) _exit(0);
        int exec[2];
        if (::pipe2(exec, O_CLOEXEC) != 0) _exit(0);
        pid_t program = ::fork();
        if (program == 0) Exec(args.data(), false, -1, exec[1]);
        ::close(exec[1]);
        // Nobody may be listening any more when the program ends.
        ::signal(SIGPIPE, SIG_IGN);
        unsigned char failed;
        const bool started = program > 0 && !ReadByte(exec[0], &failed, -1);
        ::close(exec[0]);
        const char state = started ? 'S' : 'N';
        [[maybe_unused]] ssize_t n = ::write(report[1], &state, 1);
        int status = 0;
        if (program > 0) ::waitpid(program, &status, 0);
        if (started) {
            const unsigned char code = static_cast<unsigned char>(WIFEXITED(status) ? WEXITSTATUS(status) : 255);
            n = ::write(report[1], &code, 1);
        }
        if (!removeWhenDone.empty()) {
            std::error_code ec;
            fs::remove_all(removeWhenDone, ec);
        }
        _exit(0);
    }
    ::close(report[1]);
    if (first < 0) {
        ::close(report[0]);
        if (!removeWhenDone.empty()) {
            std::error_code ec;
            fs::remove_all(removeWhenDone, ec);
        }
        return kProcessNotStarted;
    }
    ::waitpid(first, nullptr, 0);
    unsigned char state = 0;
    int result = kProcessNotStarted;
    if (ReadByte(report[0], &state, -1) && state == 'S') {
        unsigned char code;
        result = waitMs > 0 && ReadByte(report[0], &code, waitMs) ? static_cast<int>(code) : int{kProcessRunning};
    }
    ::close(report[0]);
    return result;
}

}  // namespace platform
