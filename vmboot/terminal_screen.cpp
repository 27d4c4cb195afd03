#include "vmboot/terminal_screen.h"

#include <algorithm>

namespace vmboot {

namespace {

constexpr int kRows = 25;
constexpr int kColumns = 80;

class Terminal {
public:
    Terminal() : m_cells(kRows, std::string(kColumns, ' ')) {}

    void Feed(const std::string& s) {
        for (size_t i = 0; i < s.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c == 0x1B) {
                i = Escape(s, i + 1);
            } else if (c == '\r') {
                m_column = 0;
            } else if (c == '\n') {
                LineFeed();
            } else if (c == '\b') {
                m_column = std::max(0, m_column - 1);
            } else if (c >= 0x20 && c < 0x7F) {
                Put(static_cast<char>(c));
            } else if (c >= 0xC0) {
                // A UTF-8 sequence is one character.
                while (i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) ++i;
                Put('.');
            } else if (c >= 0x80) {
                Put('.');
            }
        }
    }

    std::vector<std::string> Rows() const {
        std::vector<std::string> rows = m_cells;
        for (std::string& r : rows) r.erase(r.find_last_not_of(' ') + 1);
        return rows;
    }

private:
    void Put(char c) {
        if (m_column >= kColumns) {  // the wrap waits for the next character
            m_column = 0;
            LineFeed();
        }
        m_cells[m_row][m_column++] = c;
    }
    void LineFeed() {
        if (m_row + 1 < kRows) {
            ++m_row;
            return;
        }
        m_cells.erase(m_cells.begin());
        m_cells.emplace_back(kColumns, ' ');
    }

    // A control sequence after ESC at `i`; returns the index of its last byte.
    size_t Escape(const std::string& s, size_t i) {
        if (i >= s.size()) return s.size();
        if (s[i] != '[') return i;  // a two-byte sequence: nothing a screen shows
        std::vector<int> params(1, 0);
        for (++i; i < s.size(); ++i) {
            const char c = s[i];
            if (c >= '0' && c <= '9') params.back() = std::min(params.back() * 10 + (c - '0'), 1000);
            else if (c == ';') params.push_back(0);
            else if (c >= 0x40 && c <= 0x7E) break;
        }
        if (i >= s.size()) return s.size();
        const int n = std::max(1, params[0]);
        switch (s[i]) {
            case 'H':
            case 'f':
                m_row = std::clamp(params[0] - 1, 0, kRows - 1);
                m_column = std::clamp((params.size() > 1 ? params[1] : 1) - 1, 0, kColumns - 1);
                break;
            case 'A': m_row = std::max(0, m_row - n); break;
            case 'B': m_row = std::min(kRows - 1, m_row + n); break;
            case 'C': m_column = std::min(kColumns - 1, m_column + n); break;
            case 'D': m_column = std::max(0, m_column - n); break;
            case 'J':
                if (params[0] == 2) {
                    for (std::string& r : m_cells) r.assign(kColumns, ' ');
                } else {
                    EraseLine(m_column);
                    for (int r = m_row + 1; r < kRows; ++r) m_cells[r].assign(kColumns, ' ');
                }
                break;
            case 'K': EraseLine(m_column); break;
            default: break;  // colours and modes
        }
        return i;
    }
    void EraseLine(int from) {
        if (from < kColumns) m_cells[m_row].replace(from, kColumns - from, kColumns - from, ' ');
    }

    std::vector<std::string> m_cells;
    int m_row = 0;
    int m_column = 0;
};

}  // namespace

std::vector<std::string> TerminalRows(const std::string& stream) {
    Terminal t;
    t.Feed(stream);
    return t.Rows();
}

}  // namespace vmboot
