// The commands of menvolt-cli. Each takes the arguments after its name and
// returns the process exit code.
#pragma once

#include <string>
#include <vector>

class LoaderFile;

namespace cli {

// The process exit statuses of every command.
enum ExitStatus : int {
    kExitOk = 0,      // success
    kExitFailed = 1,  // a check or a write failed (the command said why)
    kExitUsage = 2,   // wrong usage
    kExitNoQemu = 3,  // testboot: QEMU is not installed
};

// Lets host paths given on the command line reach the documents, which speak
// Windows paths.
void PrepareHostPaths();
std::string WindowsPathOf(const std::string& hostPath);

// Checks on an opened loader beyond what its Open refuses (the length word,
// image names too long for the client); shared by check and verify.
std::vector<std::string> LoaderWarnings(const LoaderFile& doc);

int Show(const std::vector<std::string>& args);
// show --screen FILE.ldr: the menu screen the file gives.
int ShowScreen(const std::vector<std::string>& args);
int Check(const std::vector<std::string>& args);
int WriteTemplate(const std::vector<std::string>& args);
int New(const std::vector<std::string>& args);

// Commands on the installation share (--share DIR, else Samba's [REMINST]).
int List(std::vector<std::string> args);
int ShowEntry(std::vector<std::string> args);
int Remove(std::vector<std::string> args);
int Verify(std::vector<std::string> args);
int TestBoot(std::vector<std::string> args);
int Create(std::vector<std::string> args);
int Edit(std::vector<std::string> args);

// Secure Boot: the site key, signing, the shim layout and its check.
int SecureBoot(std::vector<std::string> args);

}  // namespace cli
