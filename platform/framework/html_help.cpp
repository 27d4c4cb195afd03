#include "platform/framework/html_help.h"

#include <chm_lib.h>

#include <QDesktopServices>
#include <QDialog>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "platform/file_system.h"

namespace framework {

namespace {

std::vector<HelpRequest>& Log() {
    static std::vector<HelpRequest> log;
    return log;
}

uint32_t ReadLe32(const std::string& data, size_t at) {
    return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8 |
           static_cast<uint8_t>(data[at + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(data[at + 3])) << 24;
}

// ---- the program's help window -------------------------------------------------

const char kScheme[] = "chm";

// Shows the pages of one help file; links between topics stay inside the
// file, links to anywhere else go to the desktop's opener.
class TopicBrowser : public QTextBrowser {
public:
    TopicBrowser(std::unique_ptr<HelpFile> file, QWidget* parent) : QTextBrowser(parent), m_file(std::move(file)) {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
            if (url.scheme() == QLatin1String(kScheme) || url.isRelative()) {
                setSource(source().resolved(url));
            } else {
                QDesktopServices::openUrl(url);
            }
        });
    }
    const HelpFile& File() const { return *m_file; }

    QVariant loadResource(int type, const QUrl& url) override {
        if (url.scheme() != QLatin1String(kScheme)) return QTextBrowser::loadResource(type, url);
        std::string data;
        if (!m_file->Read(url.path().toStdString(), &data)) return {};
        QByteArray bytes(data.data(), static_cast<qsizetype>(data.size()));
        if (type == QTextDocument::HtmlResource || type == QTextDocument::StyleSheetResource)
            return QString::fromUtf8(bytes);
        return bytes;
    }

private:
    std::unique_ptr<HelpFile> m_file;
};

class HelpWindow : public QDialog {
public:
    HelpWindow(std::unique_ptr<HelpFile> file, const std::string& hostFile, QWidget* owner)
        : QDialog(owner), m_hostFile(hostFile) {
        // A window of its own, not a modal box: it stays open beside the
        // dialog that asked for it.
        setWindowFlags(Qt::Window);
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QString::fromStdString(file->Title().empty() ? "Help" : file->Title()));
        const std::string contents = file->DefaultTopic();
        auto* layout = new QVBoxLayout(this);
        m_browser = new TopicBrowser(std::move(file), this);
        layout->addWidget(m_browser);
        auto* buttons = new QHBoxLayout;
        auto* back = new QPushButton(QStringLiteral("Back"), this);
        back->setEnabled(false);
        connect(back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
        connect(m_browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
        buttons->addWidget(back);
        if (!contents.empty()) {
            auto* home = new QPushButton(QStringLiteral("Contents"), this);
            connect(home, &QPushButton::clicked, this, [this, contents] { Show(contents); });
            buttons->addWidget(home);
        }
        buttons->addStretch();
        auto* close = new QPushButton(QStringLiteral("Close"), this);
        connect(close, &QPushButton::clicked, this, &QDialog::close);
        buttons->addWidget(close);
        layout->addLayout(buttons);
        resize(560, 460);
    }
    const std::string& HostFile() const { return m_hostFile; }
    void Show(const std::string& topic) {
        m_browser->setSource(QUrl(QString::fromLatin1(kScheme) + ":" + QString::fromStdString(topic)));
        show();
        raise();
        activateWindow();
    }

private:
    std::string m_hostFile;
    TopicBrowser* m_browser;
};

class WindowViewer : public HelpViewer {
public:
    intptr_t ShowTopic(void* owner, const std::string& hostFile, const std::string& topic) override {
        auto* parent = static_cast<QWidget*>(owner);
        // The window belongs to the dialog that asked: a modal dialog blocks
        // every window but its own.
        if (m_window && (m_window->parentWidget() != parent || m_window->HostFile() != hostFile)) {
            delete m_window.data();
        }
        if (!m_window) {
            std::unique_ptr<HelpFile> file = HelpFile::Open(hostFile);
            if (!file) return 0;
            m_window = new HelpWindow(std::move(file), hostFile, parent);
        }
        m_window->Show(topic);
        return reinterpret_cast<intptr_t>(m_window.data());
    }
    void CloseAll() override {
        if (m_window) m_window->close();
    }

private:
    QPointer<HelpWindow> m_window;
};

HelpViewer* g_viewer = nullptr;

// The host file a Windows path names, "" when there is none. The program's
// own path reaches us through drive Z:, which stands for the host's root
// folder unless a test mapped the letter elsewhere.
std::string HostPathOf(const std::string& file) {
    platform::ResolvedPath resolved = platform::Resolve(file);
    if (resolved.error == platform::FileError::None && resolved.exists && !resolved.isDirectory)
        return resolved.host.string();
    if (file.size() > 3 && (file[0] == 'Z' || file[0] == 'z') && file[1] == ':' && file[2] == '\\') {
        std::string host = file.substr(2);
        std::replace(host.begin(), host.end(), '\\', '/');
        resolved = platform::Resolve(host);
        if (resolved.error == platform::FileError::None && resolved.exists && !resolved.isDirectory)
            return resolved.host.string();
    }
    return {};
}

HelpViewer& Viewer() {
    static WindowViewer window;
    return g_viewer ? *g_viewer : window;
}

}  // namespace

// ---- HelpFile ------------------------------------------------------------------

std::unique_ptr<HelpFile> HelpFile::Open(const std::string& hostPath) {
    chmFile* file = chm_open(hostPath.c_str());
    if (!file) return nullptr;
    return std::unique_ptr<HelpFile>(new HelpFile(file));
}

HelpFile::~HelpFile() { chm_close(m_file); }

bool HelpFile::Read(const std::string& path, std::string* data) const {
    chmUnitInfo unit;
    if (path.empty() || chm_resolve_object(m_file, path.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return false;
    data->assign(static_cast<size_t>(unit.length), '\0');
    if (unit.length == 0) return true;
    LONGINT64 got = chm_retrieve_object(m_file, &unit, reinterpret_cast<unsigned char*>(data->data()), 0,
                                        static_cast<LONGINT64>(unit.length));
    return got == static_cast<LONGINT64>(unit.length);
}

bool HelpFile::Contains(const std::string& path) const {
    chmUnitInfo unit;
    return !path.empty() && chm_resolve_object(m_file, path.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

std::string HelpFile::FindTopic(const std::string& name) const {
    // A context map entry names its topic by the path it had when the file
    // was compiled: relative ("topic.htm") from most compilers, the full
    // source path from the one we build with. The topic is the longest tail
    // of that path the file holds.
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.empty()) return {};
    if (path[0] != '/') path = "/" + path;
    for (size_t at = 0; at != std::string::npos; at = path.find('/', at + 1)) {
        std::string candidate = path.substr(at);
        if (Contains(candidate)) return candidate;
    }
    return {};
}

std::vector<uint32_t> HelpFile::Contexts() const {
    std::vector<uint32_t> contexts;
    std::string map;
    if (!Read("/#IVB", &map) || map.size() < 4) return contexts;
    size_t length = std::min<size_t>(ReadLe32(map, 0), map.size() - 4);
    for (size_t at = 4; at + 8 <= 4 + length; at += 8) contexts.push_back(ReadLe32(map, at));
    return contexts;
}

std::string HelpFile::TopicForContext(uint32_t context) const {
    std::string map, strings;
    if (!Read("/#IVB", &map) || !Read("/#STRINGS", &strings) || map.size() < 4) return {};
    size_t length = std::min<size_t>(ReadLe32(map, 0), map.size() - 4);
    for (size_t at = 4; at + 8 <= 4 + length; at += 8) {
        if (ReadLe32(map, at) != context) continue;
        size_t offset = ReadLe32(map, at + 4);
        if (offset >= strings.size()) return {};
        size_t end = strings.find('\0', offset);
        return FindTopic(strings.substr(offset, end == std::string::npos ? std::string::npos : end - offset));
    }
    return {};
}

std::string HelpFile::SystemRecord(uint16_t code) const {
    std::string system;
    if (!Read("/#SYSTEM", &system)) return {};
    for (size_t at = 4; at + 4 <= system.size();) {
        uint16_t recordCode = static_cast<uint8_t>(system[at]) | static_cast<uint8_t>(system[at + 1]) << 8;
        uint16_t length = static_cast<uint8_t>(system[at + 2]) | static_cast<uint8_t>(system[at + 3]) << 8;
        at += 4;
        if (at + length > system.size()) break;
        if (recordCode == code) {
            std::string value = system.substr(at, length);
            return value.substr(0, value.find('\0'));
        }
        at += length;
    }
    return {};
}

std::string HelpFile::DefaultTopic() const { return FindTopic(SystemRecord(2)); }

std::string HelpFile::Title() const { return SystemRecord(3); }

// ---- HtmlHelp ------------------------------------------------------------------

HelpViewer* SetHelpViewer(HelpViewer* viewer) {
    HelpViewer* previous = g_viewer;
    g_viewer = viewer;
    return previous;
}

intptr_t HtmlHelp(void* owner, const std::string& file, UINT command, uintptr_t data) {
    Log().push_back({owner, file, command, data});
    if (command == HH_CLOSE_ALL) {
        Viewer().CloseAll();
        return 0;
    }
    if (command != HH_HELP_CONTEXT && command != HH_DISPLAY_TOPIC) return 0;

    const std::string hostFile = HostPathOf(file);
    if (hostFile.empty()) return 0;
    std::unique_ptr<HelpFile> help = HelpFile::Open(hostFile);
    if (!help) return 0;

    std::string topic;
    if (command == HH_HELP_CONTEXT) {
        topic = help->TopicForContext(static_cast<uint32_t>(data));
    } else if (data != 0) {
        topic = help->FindTopic(reinterpret_cast<const char*>(data));
    } else {
        topic = help->DefaultTopic();
    }
    if (topic.empty()) return 0;
    return Viewer().ShowTopic(owner, hostFile, topic);
}

const std::vector<HelpRequest>& HelpRequests() { return Log(); }
void ClearHelpRequests() { Log().clear(); }

}  // namespace framework
