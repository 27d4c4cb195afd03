// Host stand-ins for the system information calls start-up makes, and the
// way a Linux installation server publishes the installation share.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace host {

// The operating-system version record, laid out as the 148-byte ANSI record.
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    char szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

enum : DWORD { VER_PLATFORM_WIN32s = 0, VER_PLATFORM_WIN32_WINDOWS = 1, VER_PLATFORM_WIN32_NT = 2 };

// Fills the record; fails when its size field is not 148. This host layer
// reports the platform the program was made for, NT 5.0, unless a test has
// set another version.
BOOL GetVersionExA(OSVERSIONINFOA* info);
void SetReportedVersion(DWORD platformId, DWORD major, DWORD minor);
void ResetReportedVersion();

// Copies the computer name into a buffer of *size bytes (name and terminator)
// and sets *size to its length; fails, setting *size to the bytes needed,
// when the buffer is too small.
BOOL GetComputerNameA(char* buffer, DWORD* size);
// The computer name as the share's server announces it (see NetbiosName).
std::string ComputerName();
// Replaces the computer name for the rest of the run ("" returns to the
// host's own name).
void SetComputerName(const std::string& name);

// Samba's rule for the server's NetBIOS name: the configured "netbios name",
// else the first label of the host name; upper case, at most 15 characters.
std::string NetbiosName(const std::string& configuredName, const std::string& hostName);

// What Samba's configuration says about the installation share.
struct SambaConfig {
    std::string netbiosName;  // [global] "netbios name", or ""
    std::string reminstPath;  // [REMINST] "path", or "" when there is no such share
    int readError = 0;        // errno when the file could not be read (ENOENT: there is none)
};
SambaConfig ParseSambaConfig(const std::string& text);
// Where Samba keeps its configuration.
inline constexpr char kSambaConfigFile[] = "/etc/samba/smb.conf";
// Reads the file (missing or unreadable: an empty result with readError).
SambaConfig ReadSambaConfig(const std::string& hostPath = kSambaConfigFile);

}  // namespace host
