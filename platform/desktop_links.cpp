#include "platform/desktop_links.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/process.h"

namespace host {

namespace {

ShellHost& RealHost() {
    static ShellHost real;
    return real;
}

ShellHost* g_host = nullptr;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Open keys: handle -> default value.
std::map<HKEY, std::string>& OpenKeys() {
    static std::map<HKEY, std::string> keys;
    return keys;
}

constexpr char kCommandKey[] = "\\shell\\open\\command";

// The default value of a key of the classes registry; false when the key
// does not exist.
bool LookUpClassesKey(const std::string& subkey, std::string* value) {
    const std::string key = Lower(subkey);
    if (key == ".htm" || key == ".html") {
        *value = CurrentShellHost().DefaultApplication("text/html");
        return !value->empty();
    }
    if (EndsWith(key, kCommandKey)) {
        std::string id = subkey.substr(0, subkey.size() - std::strlen(kCommandKey));
        std::string text;
        if (id.empty() || !CurrentShellHost().ReadDesktopFile(id, &text)) return false;
        *value = DesktopExecCommand(text);
        return !value->empty();
    }
    return false;
}

// The value of a desktop file string: \s \n \t \r \\ are escapes there.
std::string UnescapeDesktopValue(const std::string& raw) {
    std::string out;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\' && i + 1 < raw.size()) {
            char next = raw[++i];
            switch (next) {
                case 's': out += ' '; break;
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case '\\': out += '\\'; break;
                default: out += '\\', out += next; break;
            }
        } else {
            out += raw[i];
        }
    }
    return out;
}

}  // namespace

// ---- the real host -----------------------------------------------------------

bool ShellHost::StartUrlOpener(const std::string& address) {
    // The opener's exit status tells whether a handler took the address;
    // one still running when the wait ends has started a program that runs
    // on, such as a browser it waits for.
    const int status = platform::StartDetached({"xdg-open", address}, kOpenerWaitMs);
    return status == 0 || status == platform::kProcessRunning;
}

std::string ShellHost::DefaultApplication(const std::string& mimeType) {
    std::string answer;
    if (platform::RunProcess({"xdg-mime", "query", "default", mimeType}, 5000, &answer) != 0) return {};
    const size_t first = answer.find_first_not_of(" \t\r\n");
    const size_t last = answer.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : answer.substr(first, last - first + 1);
}

bool ShellHost::ReadDesktopFile(const std::string& desktopId, std::string* text) {
    // A desktop file id never holds a path of its own.
    if (desktopId.find('/') != std::string::npos || desktopId.find("..") != std::string::npos) return false;
    std::vector<std::filesystem::path> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && *dataHome) {
        folders.emplace_back(dataHome);
    } else if (home && *home) {
        folders.push_back(std::filesystem::path(home) / ".local/share");
    }
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    std::stringstream list(dirs);
    for (std::string dir; std::getline(list, dir, ':');)
        if (!dir.empty()) folders.emplace_back(dir);
    for (const auto& folder : folders) {
        std::ifstream in(folder / "applications" / desktopId, std::ios::binary);
        if (!in) continue;
        std::ostringstream all;
        all << in.rdbuf();
        *text = all.str();
        return true;
    }
    return false;
}

bool ShellHost::StartProcess(const std::vector<std::string>& argv) {
    return platform::StartDetached(argv) != platform::kProcessNotStarted;
}

ShellHost& CurrentShellHost() { return g_host ? *g_host : RealHost(); }

ShellHost* SetShellHost(ShellHost* host) {
    ShellHost* previous = g_host;
    g_host = host;
    return previous;
}

// ---- shell -------------------------------------------------------------------

int ShellExecuteOpen(const std::string& address, int /*showCommand*/) {
    if (address.empty()) return SE_ERR_FNF;
    // Without an opener there is no association for the address at all.
    return CurrentShellHost().StartUrlOpener(address) ? kShellOpenSucceeded : SE_ERR_NOASSOC;
}

// ---- registry ----------------------------------------------------------------

LONG RegOpenKeyExA(HKEY root, const std::string& subkey, HKEY* key) {
    *key = 0;
    if (root != HKEY_CLASSES_ROOT) return ERROR_INVALID_HANDLE;
    std::string value;
    if (!LookUpClassesKey(subkey, &value)) return ERROR_FILE_NOT_FOUND;
    static HKEY next = 0x1000;
    *key = next++;
    OpenKeys()[*key] = value;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, char* buffer, size_t* size) {
    auto it = OpenKeys().find(key);
    if (it == OpenKeys().end()) return ERROR_INVALID_HANDLE;
    const std::string& value = it->second;
    const size_t needed = value.size() + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, value.c_str(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) { return OpenKeys().erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE; }

// ---- desktop files -----------------------------------------------------------

std::string DesktopExecCommand(const std::string& desktopFileText) {
    std::istringstream in(desktopFileText);
    bool inEntry = false;
    std::string exec;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = line.substr(0, eq);
        while (!name.empty() && name.back() == ' ') name.pop_back();
        if (name != "Exec") continue;
        size_t start = line.find_first_not_of(' ', eq + 1);
        exec = UnescapeDesktopValue(start == std::string::npos ? "" : line.substr(start));
        break;
    }
    std::string command;
    bool placed = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%' || i + 1 >= exec.size()) {
            command += exec[i];
            continue;
        }
        char code = exec[++i];
        if (code == '%') {
            command += '%';
        } else if (code == 'u' || code == 'U' || code == 'f' || code == 'F') {
            if (!placed) command += "%1";
            placed = true;
        }
        // Every other field code (%i, %c, %k and the deprecated ones) is
        // dropped: nothing here has an icon, a name or a location to give.
    }
    while (!command.empty() && command.back() == ' ') command.pop_back();
    return command;
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> argv;
    std::string current;
    bool inArgument = false, quoted = false;
    for (size_t i = 0; i < commandLine.size(); ++i) {
        char c = commandLine[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < commandLine.size() && std::strchr("\"`$\\", commandLine[i + 1])) {
                current += commandLine[++i];
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inArgument) argv.push_back(current), current.clear(), inArgument = false;
        } else if (c == '"') {
            quoted = inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) argv.push_back(current);
    return argv;
}

BOOL CreateProcessA(const std::string& commandLine) {
    std::vector<std::string> argv = SplitCommandLine(commandLine);
    if (argv.empty()) return FALSE;
    return CurrentShellHost().StartProcess(argv) ? TRUE : FALSE;
}

}  // namespace host
