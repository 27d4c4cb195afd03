#include "vmboot/qmp_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace vmboot {

QmpClient::~QmpClient() { Close(); }

void QmpClient::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_buffer.clear();
}

bool QmpClient::Connect(const std::string& socketPath, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) return false;
    std::strcpy(address.sun_path, socketPath.c_str());
    while (true) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
        Close();
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::string greeting;
    return ReadLine(greeting, timeoutMs) && Execute("qmp_capabilities");
}

bool QmpClient::ReadLine(std::string& line, int timeoutMs) {
    while (true) {
        size_t newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return true;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return false;
        char chunk[4096];
        ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n <= 0) return false;
        m_buffer.append(chunk, static_cast<size_t>(n));
    }
}

bool QmpClient::Execute(const std::string& command, const std::string& arguments) {
    if (m_fd < 0) return false;
    std::string message = "{\"execute\":\"" + command + "\"";
    if (!arguments.empty()) message += ",\"arguments\":" + arguments;
    message += "}\n";
    if (::send(m_fd, message.data(), message.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(message.size()))
        return false;
    // Replies come in order; asynchronous events in between are skipped.
    std::string line;
    while (ReadLine(line, 10000)) {
        if (line.find("\"return\"") != std::string::npos) return true;
        if (line.find("\"error\"") != std::string::npos) return false;
    }
    return false;
}

}  // namespace vmboot
