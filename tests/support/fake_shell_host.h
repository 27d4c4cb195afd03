// A desktop for the link tests: answers the URL opener, the MIME database
// and process starts from fields, and records what was asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/desktop_links.h"

namespace menvolt_test {

class FakeShellHost : public host::ShellHost {
public:
    FakeShellHost() { m_previous = host::SetShellHost(this); }
    ~FakeShellHost() override { host::SetShellHost(m_previous); }

    bool StartUrlOpener(const std::string& address) override {
        opened.push_back(address);
        return openerStarts;
    }
    std::string DefaultApplication(const std::string& mimeType) override {
        mimeQueries.push_back(mimeType);
        auto it = defaults.find(mimeType);
        return it == defaults.end() ? std::string() : it->second;
    }
    bool ReadDesktopFile(const std::string& desktopId, std::string* text) override {
        auto it = desktopFiles.find(desktopId);
        if (it == desktopFiles.end()) return false;
        *text = it->second;
        return true;
    }
    bool StartProcess(const std::vector<std::string>& argv) override {
        started.push_back(argv);
        return processStarts;
    }

    // A browser registered for web pages with this Exec line.
    void RegisterBrowser(const std::string& exec) {
        defaults["text/html"] = "web-browser.desktop";
        desktopFiles["web-browser.desktop"] = "[Desktop Entry]\nType=Application\nName=Browser\nExec=" + exec + "\n";
    }

    bool openerStarts = false;
    bool processStarts = true;
    std::map<std::string, std::string> defaults;
    std::map<std::string, std::string> desktopFiles;
    std::vector<std::string> opened;
    std::vector<std::string> mimeQueries;
    std::vector<std::vector<std::string>> started;

private:
    host::ShellHost* m_previous = nullptr;
};

}  // namespace menvolt_test
