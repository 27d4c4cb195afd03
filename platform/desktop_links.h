// What a web link needs from the host: the desktop's URL opener (the shell's
// "open" verb), the file-type database read the way the classes registry is
// read, and starting a program from a command line. The desktop lookups and
// the process start go through one replaceable ShellHost so tests can answer
// them without starting anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace host {

typedef int32_t LONG;
typedef uintptr_t HKEY;

constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;

enum : LONG { ERROR_SUCCESS = 0, ERROR_FILE_NOT_FOUND = 2, ERROR_INVALID_HANDLE = 6, ERROR_MORE_DATA = 234 };
enum : int { SW_SHOW = 5 };

// The shell's open-failure codes (statuses at or below 32).
enum : int {
    SE_ERR_OOM = 0,
    SE_ERR_FNF = 2,
    SE_ERR_PNF = 3,
    SE_ERR_ACCESSDENIED = 5,
    SE_ERR_NOT_ENOUGH_MEMORY = 8,
    SE_ERR_BAD_FORMAT = 11,
    SE_ERR_SHARE = 26,
    SE_ERR_ASSOCINCOMPLETE = 27,
    SE_ERR_DDETIMEOUT = 28,
    SE_ERR_DDEFAIL = 29,
    SE_ERR_DDEBUSY = 30,
    SE_ERR_NOASSOC = 31,
    SE_ERR_DLLNOTFOUND = 32,
};
// What the open stand-in returns when the opener started.
constexpr int kShellOpenSucceeded = 42;

class ShellHost {
public:
    virtual ~ShellHost() = default;
    // Hands the address to the desktop's URL opener (xdg-open) and waits up
    // to kOpenerWaitMs for its answer: true when it succeeded or still runs,
    // false when it could not start or found nothing to open the address.
    virtual bool StartUrlOpener(const std::string& address);
    static constexpr int kOpenerWaitMs = 3000;
    // The desktop file id of the default application for a MIME type
    // (`xdg-mime query default <type>`); "" when there is none.
    virtual std::string DefaultApplication(const std::string& mimeType);
    // The text of the desktop file with that id, searched in the XDG data
    // folders; false when there is none.
    virtual bool ReadDesktopFile(const std::string& desktopId, std::string* text);
    // Starts argv[0] with the rest as its arguments, without waiting and
    // without a shell; false when it cannot start.
    virtual bool StartProcess(const std::vector<std::string>& argv);
};

// The host in use; tests install their own and get the previous one back
// (nullptr restores the real one).
ShellHost& CurrentShellHost();
ShellHost* SetShellHost(ShellHost* host);

// The shell's "open" verb on an address: a status above 32 on success.
int ShellExecuteOpen(const std::string& address, int showCommand);

// The classes registry, as far as a web link reads it. Two kinds of key
// exist, both taken from the desktop's MIME database:
//   ".htm" (and ".html")       default value: the desktop file id of the
//                              default text/html application;
//   "<id>\shell\open\command"  default value: that desktop file's Exec line,
//                              its file or URL field code written as "%1".
// Key names compare without regard to case, as registry keys do.
LONG RegOpenKeyExA(HKEY root, const std::string& subkey, HKEY* key);
// Reads the key's default value into `buffer` (with its terminating NUL);
// *size is the buffer's size on entry and the bytes stored (or needed, with
// ERROR_MORE_DATA) on return.
LONG RegQueryValueExA(HKEY key, char* buffer, size_t* size);
LONG RegCloseKey(HKEY key);

// The Exec line of a desktop file's [Desktop Entry] group, as a command line
// with "%1" where the first %u, %U, %f or %F stands; other field codes go,
// "%%" becomes "%". "" when the group has no Exec key.
std::string DesktopExecCommand(const std::string& desktopFileText);

// Splits a command line into its program and arguments: blanks separate,
// double quotes group (a backslash inside quotes escapes ", `, $ and \).
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

// Starts a command line as a new process: TRUE when it started.
BOOL CreateProcessA(const std::string& commandLine);

}  // namespace host
