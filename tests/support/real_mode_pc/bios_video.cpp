// INT 10h: an 80x25 colour text screen with a cursor, teletype output and
// the attribute writes and scrolls a menu uses.
#include <algorithm>

#include "tests/support/real_mode_pc/machine_internal.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

std::string RealModePc::Text(int row, int column, int length) const {
    std::string out;
    for (int i = 0; i < length && column + i < 80; ++i) out += static_cast<char>(screen[row][column + i].ch);
    return out;
}

void RealModePc::ClearScreen() {
    for (auto& row : screen)
        for (auto& cell : row) cell = Cell{};
}

void RealModePc::ScrollUp(int lines, int top, int left, int bottom, int right, uint8_t attr) {
    bottom = std::min(bottom, 24);
    right = std::min(right, 79);
    int height = bottom - top + 1;
    if (lines == 0 || lines > height) lines = height;
    for (int r = top; r <= bottom; ++r)
        for (int c = left; c <= right; ++c)
            screen[r][c] = (r + lines <= bottom) ? screen[r + lines][c] : Cell{' ', attr};
}

void RealModePc::Teletype(uint8_t ch) {
    written += static_cast<char>(ch);
    switch (ch) {
    case 0x07: return;
    case 0x08: if (cursorColumn > 0) --cursorColumn; return;
    case 0x0D: cursorColumn = 0; return;
    case 0x0A: ++cursorRow; break;
    default:
        screen[cursorRow][cursorColumn].ch = ch;
        if (++cursorColumn == 80) {
            cursorColumn = 0;
            ++cursorRow;
        }
    }
    if (cursorRow == 25) {
        ScrollUp(1, 0, 0, 24, 79, 0x07);
        cursorRow = 24;
    }
}

void RealModePc::Video() {
    Registers r = ReadRegisters();
    uint8_t ah = r.ax >> 8, al = uint8_t(r.ax);
    switch (ah) {
    case 0x00:
        ++videoModeSets;
        ClearScreen();
        cursorRow = cursorColumn = 0;
        break;
    case 0x02:
        cursorRow = r.dx >> 8;
        cursorColumn = uint8_t(r.dx);
        break;
    case 0x03: SetReg(UC_X86_REG_DX, uint16_t(cursorRow << 8 | cursorColumn)); break;
    case 0x06:
        ScrollUp(al, r.cx >> 8, uint8_t(r.cx), r.dx >> 8, uint8_t(r.dx), r.bx >> 8);
        break;
    case 0x09:
        for (int i = 0; i < r.cx; ++i) {
            int at = cursorRow * 80 + cursorColumn + i;
            if (at >= 25 * 80) break;
            screen[at / 80][at % 80] = Cell{al, uint8_t(r.bx)};
        }
        break;
    case 0x0E: Teletype(al); break;
    case 0x0F:
        SetReg(UC_X86_REG_AX, 0x5003);
        SetReg(UC_X86_REG_BX, r.bx & 0x00FF);
        break;
    default: break;
    }
}

}  // namespace menvolt_test
