// A minimal client of QEMU's machine protocol (QMP) over a unix socket:
// enough to read guest memory into a file and to type keys.
#pragma once

#include <string>

namespace vmboot {

class QmpClient {
public:
    ~QmpClient();
    // Connects (retrying until the deadline) and negotiates capabilities.
    bool Connect(const std::string& socketPath, int timeoutMs);
    // Runs one command; arguments is a JSON object text or "". False on an
    // error reply or a broken connection.
    bool Execute(const std::string& command, const std::string& arguments = "");
    void Close();

private:
    bool ReadLine(std::string& line, int timeoutMs);
    int m_fd = -1;
    std::string m_buffer;
};

}  // namespace vmboot
