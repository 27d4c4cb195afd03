#include "loader/client_screen.h"

#include <cstring>

#include "loader/layout.h"
#include "loader/loader_file.h"

using namespace layout;

namespace {

// Screen positions the loader program uses (layout.def).
constexpr int kArrowsRow = ARROWS_ROW, kArrowsColumn = ARROWS_COLUMN;
constexpr int kItemRow = ITEM_ROW, kItemColumn = ITEM_COLUMN;
constexpr int kHelpRow = HELP_ROW, kHelpLastRow = HELP_LAST_ROW, kHelpLeft = HELP_LEFT, kHelpRight = HELP_RIGHT;
constexpr int kHelpColumn = HELP_COLUMN, kNextLineColumn = HELP_NEXT_COLUMN;
constexpr int kLastRow = SCREEN_LAST_ROW;

class Painter {
public:
    explicit Painter(ClientScreen& screen) : m_screen(screen) {}

    void Fill(int top, int left, int bottom, int right, uint8_t attr) {
        for (int r = top; r <= bottom && r <= kLastRow; ++r)
            for (int c = left; c <= right && c < ClientScreen::kColumns; ++c) m_screen.cells[r][c] = {' ', attr};
    }
    // One cell, then a step right; cells off the screen are dropped.
    void Char(int& row, int& column, uint8_t ch, uint8_t attr) {
        if (column >= ClientScreen::kColumns || row > kLastRow) return;
        m_screen.cells[row][column] = {ch, attr};
        ++column;
    }
    // A line feed goes on at column 4 of the next row.
    void Text(int& row, int& column, const std::string& text, uint8_t attr) {
        for (unsigned char ch : text) {
            if (ch == 0x0A) {
                ++row;
                column = kNextLineColumn;
                continue;
            }
            Char(row, column, ch, attr);
        }
    }

private:
    ClientScreen& m_screen;
};

// A NUL-terminated string of the loader image.
std::string StringAt(const LoaderFile& loader, size_t offset) {
    if (offset >= static_cast<size_t>(loader.Length())) return {};
    const char* start = reinterpret_cast<const char*>(loader.Data() + offset);
    size_t n = strnlen(start, static_cast<size_t>(loader.Length()) - offset);
    return std::string(start, n);
}

size_t HeaderWord(const LoaderFile& loader, size_t field) {
    const uint8_t* p = loader.Data() + loader.HeaderOffset() + field;
    return static_cast<size_t>(p[0] | (p[1] << 8));
}

}  // namespace

std::string ClientScreen::RowText(int row) const {
    std::string text;
    for (const ScreenCell& cell : cells[row]) text += static_cast<char>(cell.ch);
    return text;
}

int StartRow(const LoaderFile& loader) {
    const int start = loader.GetDefaultItem();
    return start < loader.GetItemCount() ? start : 0;
}

ClientScreen DrawMenuScreen(const LoaderFile& loader, int selected) {
    ClientScreen screen;
    Painter paint(screen);
    const uint8_t* header = loader.Data() + loader.HeaderOffset();
    const uint8_t normal = header[HDR_NORMAL_ATTR];
    const uint8_t highlight = header[HDR_HIGHLIGHT_ATTR];
    const int count = std::min<int>(static_cast<int>(HeaderWord(loader, HDR_ITEM_COUNT)), LDR_SLOT_COUNT);

    paint.Fill(0, 0, kLastRow, ClientScreen::kColumns - 1, normal);
    int row = 0, column = 0;
    paint.Text(row, column, StringAt(loader, HeaderWord(loader, HDR_TITLE)), highlight);
    // The fixed texts come from the loader program's own data.
    row = kLastRow, column = 0;
    paint.Text(row, column, StringAt(loader, LDR_TEXT_CONTINUE), highlight);
    row = kArrowsRow, column = kArrowsColumn;
    paint.Text(row, column, StringAt(loader, LDR_TEXT_ARROWS), normal);
    // The countdown as the menu starts it: the seconds, shown at most as the
    // client counts them.
    if (const unsigned timeout = std::min<unsigned>(loader.GetTimeout(), LDR_TIMEOUT_MAX)) {
        row = COUNTDOWN_ROW, column = COUNTDOWN_COLUMN;
        paint.Text(row, column, std::to_string(timeout), normal);
    }

    for (int i = 0; i < count; ++i) {
        const size_t slot = HDR_SLOTS + static_cast<size_t>(i) * HDR_SLOT_SIZE;
        std::string label = StringAt(loader, HeaderWord(loader, slot + SLOT_DESCRIPTION));
        if (label.empty()) label = StringAt(loader, HeaderWord(loader, slot + SLOT_IMAGE));
        const uint8_t attr = i == selected ? highlight : normal;
        row = kItemRow + i, column = kItemColumn;
        paint.Char(row, column, ' ', attr);
        paint.Text(row, column, label, attr);
        paint.Char(row, column, ' ', attr);
    }

    paint.Fill(kHelpRow, kHelpLeft, kHelpLastRow, kHelpRight, normal);
    row = kHelpRow, column = kHelpLeft;
    paint.Text(row, column, StringAt(loader, LDR_TEXT_DESCRIPTION), normal);
    if (selected >= 0 && selected < count) {
        const size_t slot = HDR_SLOTS + static_cast<size_t>(selected) * HDR_SLOT_SIZE;
        column = kHelpColumn;
        paint.Text(row, column, StringAt(loader, HeaderWord(loader, slot + SLOT_HELP)), normal);
    }
    return screen;
}

uint32_t VgaColour(int index) {
    static constexpr uint32_t kPalette[16] = {
        0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
        0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
    };
    return kPalette[index & 15];
}

char32_t Cp437ToUnicode(uint8_t ch) {
    static constexpr char16_t kLow[32] = {
        0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
        0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
        0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
    };
    static constexpr char16_t kHigh[128] = {
        0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
        0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
        0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
        0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
        0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
        0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
        0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
        0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
        0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
        0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
    };
    if (ch < 32) return kLow[ch];
    if (ch == 0x7F) return 0x2302;
    if (ch < 0x80) return ch;
    return kHigh[ch - 0x80];
}
