// The client's menu screen as the client menu loader draws it, computed from
// a loader document: 25 rows of 80 character cells, each a code-page-437
// character and a text attribute. The rules are the loader program's own
// (fill, title bar, bottom bar, arrows line, item rows, help area), so the
// editor can show the screen before any client boots it, `menvolt-cli show
// --screen` can print it, and the boot tests hold both clients against it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "loader/layout.h"

class LoaderFile;

struct ScreenCell {
    uint8_t ch = ' ';
    uint8_t attr = 0x07;
    bool operator==(const ScreenCell&) const = default;
};

struct ClientScreen {
    static constexpr int kRows = layout::SCREEN_LAST_ROW + 1;
    static constexpr int kColumns = layout::SCREEN_COLUMNS;
    std::array<std::array<ScreenCell, kColumns>, kRows> cells{};

    // The characters of one row, as bytes.
    std::string RowText(int row) const;
};

// The menu screen with item `selected` highlighted. The client shows a menu
// only for two or more items; the screen is drawn the same way for fewer, so
// the preview never goes blank while items are being edited.
ClientScreen DrawMenuScreen(const LoaderFile& loader, int selected = 0);

// The item the client's menu highlights first: the start item, or the first
// item when the stored one names none, as the client does.
int StartRow(const LoaderFile& loader);

// Unicode code point of a code-page-437 character, as the VGA text font
// draws it (the control range shows the font's symbols).
char32_t Cp437ToUnicode(uint8_t ch);

// 0xRRGGBB of one of the 16 colours of the VGA text palette.
uint32_t VgaColour(int index);
