#include "platform/host_system.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

namespace host {

namespace {

struct ReportedVersion {
    DWORD platformId = VER_PLATFORM_WIN32_NT;
    DWORD major = 5;
    DWORD minor = 0;
};
ReportedVersion g_version;
std::optional<std::string> g_computerName;

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

// Samba ignores case and blanks in parameter and section names.
std::string Canonical(const std::string& name) {
    std::string out;
    for (char c : name)
        if (c != ' ' && c != '\t' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return "LOCALHOST";
    return name;
}

}  // namespace

BOOL GetVersionExA(OSVERSIONINFOA* info) {
    if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) return FALSE;
    info->dwMajorVersion = g_version.major;
    info->dwMinorVersion = g_version.minor;
    info->dwBuildNumber = 2195;
    info->dwPlatformId = g_version.platformId;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    return TRUE;
}

void SetReportedVersion(DWORD platformId, DWORD major, DWORD minor) { g_version = {platformId, major, minor}; }
void ResetReportedVersion() { g_version = {}; }

std::string NetbiosName(const std::string& configuredName, const std::string& hostName) {
    std::string name = Trim(configuredName);
    if (name.empty()) name = hostName.substr(0, hostName.find('.'));
    if (name.size() > 15) name.resize(15);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string ComputerName() {
    if (g_computerName) return *g_computerName;
    return NetbiosName(ReadSambaConfig().netbiosName, HostName());
}

void SetComputerName(const std::string& name) {
    if (name.empty()) {
        g_computerName.reset();
    } else {
        g_computerName = name;
    }
}

BOOL GetComputerNameA(char* buffer, DWORD* size) {
    if (!size) return FALSE;
    std::string name = ComputerName();
    if (!buffer || *size < name.size() + 1) {
        *size = static_cast<DWORD>(name.size() + 1);
        return FALSE;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

SambaConfig ParseSambaConfig(const std::string& text) {
    SambaConfig config;
    std::istringstream in(text);
    std::string line, section;
    std::string pending;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A backslash at the end of a line continues it on the next.
        if (!line.empty() && line.back() == '\\') {
            pending += line.substr(0, line.size() - 1);
            continue;
        }
        line = Trim(pending + line);
        pending.clear();
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            section = Canonical(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = Canonical(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (section == "global" && key == "netbiosname") config.netbiosName = value;
        if (section == "reminst" && key == "path") config.reminstPath = value;
    }
    return config;
}

SambaConfig ReadSambaConfig(const std::string& hostPath) {
    errno = 0;
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) {
        SambaConfig none;
        none.readError = errno ? errno : EIO;
        return none;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ParseSambaConfig(text.str());
}

}  // namespace host
