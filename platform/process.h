// Starting other programs: the one place that forks, execs and waits. Every
// program is started from an argument list, never through a shell, with its
// standard input and output on /dev/null.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The program's full path when it is an executable file in a folder of PATH,
// else "".
std::string FindProgram(const std::string& name);

// A child process this program waits for: started, polled, stopped.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();  // stops a child that still runs
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False when no process could be made; a program that cannot be executed
    // ends at once with exit code 127. `quiet` sends its standard error to
    // /dev/null too.
    bool Start(const std::vector<std::string>& argv, bool quiet);
    // True once the child has ended (it is then reaped).
    bool HasEnded();
    // Asks the child to end, and kills it when it has not after five seconds.
    void Stop();

private:
    int m_pid = -1;
};

// Runs a program to its end and returns its exit code: -1 when it could not
// be executed, was ended by a signal, or still ran after `timeoutMs` (it is
// then killed, with every process it started). Its standard output goes to *output when that is given,
// and with `withErrors` its standard error too (the tools whose complaints a message must repeat).
int RunProcess(const std::vector<std::string>& argv, int timeoutMs, std::string* output = nullptr,
               bool withErrors = false);

// What StartDetached learnt.
enum : int {
    kProcessNotStarted = -1,  // no process, or the program could not be executed
    kProcessRunning = -2,     // started and still running when the wait ended
};

// Starts a program that outlives this one and never stays behind as its
// zombie. Waits up to `waitMs` for it to end: its exit code when it ended in
// that time, kProcessRunning when it runs on, kProcessNotStarted when it
// could not be executed. When `removeWhenDone` names a folder, the folder is
// removed once the program has ended.
int StartDetached(const std::vector<std::string>& argv, int waitMs = 0, const std::string& removeWhenDone = "");

}  // namespace platform
