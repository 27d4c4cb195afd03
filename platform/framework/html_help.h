// Context help on the compiled HTML help file next to the program. A context
// number is looked up in the file's own context map, and the topic it names
// opens in the program's help window. Which topic would open can be checked
// without a window: install a HelpViewer of your own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win_types.h"

struct chmFile;

namespace framework {

enum : UINT { HH_DISPLAY_TOPIC = 0x0000, HH_HELP_CONTEXT = 0x000F, HH_CLOSE_ALL = 0x0012 };

struct HelpRequest {
    void* owner = nullptr;
    std::string file;
    UINT command = 0;
    uintptr_t data = 0;
};

// HH_HELP_CONTEXT: `data` is the context number; HH_DISPLAY_TOPIC: `data` is
// a const char* topic inside the file, or 0 for the file's default topic;
// HH_CLOSE_ALL closes the help window. `file` is a Windows path. Returns the
// handle of the help window, 0 when no topic could be shown (no such file, no
// such context, or a topic the file does not hold).
intptr_t HtmlHelp(void* owner, const std::string& file, UINT command, uintptr_t data);

// Every call of HtmlHelp so far, for tests.
const std::vector<HelpRequest>& HelpRequests();
void ClearHelpRequests();

// A compiled HTML help file, read-only.
class HelpFile {
public:
    // nullptr when the host file is missing or is not a compiled help file.
    static std::unique_ptr<HelpFile> Open(const std::string& hostPath);
    ~HelpFile();
    HelpFile(const HelpFile&) = delete;
    HelpFile& operator=(const HelpFile&) = delete;

    // The path inside the file ("/topic.htm") of the topic mapped to a
    // context number; "" when the number is not mapped or its topic is
    // missing.
    std::string TopicForContext(uint32_t context) const;
    // Every context number the file maps, in the file's order.
    std::vector<uint32_t> Contexts() const;
    std::string DefaultTopic() const;
    // The title of the help file (its window caption).
    std::string Title() const;
    bool Contains(const std::string& path) const;
    // The bytes of a stored file; false when there is none.
    bool Read(const std::string& path, std::string* data) const;
    // The stored path a topic name stands for ("topic.htm", "/topic.htm" or
    // a longer path ending in it); "" when the file holds no such topic.
    std::string FindTopic(const std::string& name) const;

private:
    explicit HelpFile(chmFile* file) : m_file(file) {}
    // The #SYSTEM record of a code, "" when absent.
    std::string SystemRecord(uint16_t code) const;
    chmFile* m_file;
};

// What HtmlHelp does with a topic it found.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // `hostFile` is the help file's host path, `topic` a path inside it.
    // Returns the handle of the window that shows it, 0 on failure.
    virtual intptr_t ShowTopic(void* owner, const std::string& hostFile, const std::string& topic) = 0;
    virtual void CloseAll() {}
};

// Installs a viewer and returns the previous one; nullptr restores the
// program's help window.
HelpViewer* SetHelpViewer(HelpViewer* viewer);

}  // namespace framework
