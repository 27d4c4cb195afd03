#include "res/bitmaps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "res/entry_templates.h"
#include "res/resource.h"

namespace res {

namespace {

// The 16-colour palette of the strip, one letter per colour.
uint32_t StripColour(char c) {
    switch (c) {
        case 'k': return 0xFF000000;  // black
        case 'g': return 0xFF808080;  // grey
        case 's': return 0xFFC0C0C0;  // silver
        case 'n': return 0xFF000080;  // navy
        case 'b': return 0xFF0000FF;  // blue
        case 'y': return 0xFFFFFF00;  // yellow
        default: return 0xFFFFFFFF;   // white, also the background: the strip has no mask
    }
}

// Three 16 x 16 pictures side by side: a page with a bulleted list, two
// stacked pages, a black cross. Their order is the entry kind.
constexpr const char* kEntryKinds[16] = {
    //  single          submenu          unresolved
    "................" "................" "................",
    "..kkkkkkkk......" ".....kkkkkkkkk.." "................",
    "..k......kk....." ".....k.......k.." "..kk.......kk...",
    "..k......k.k...." ".....k.ggggg.k.." "..kkk.....kkk...",
    "..k......kkkk..." "..kkkkkkkkk..k.." "...kkk...kkk....",
    "..k.nn......k..." "..k.......k..k.." "....kkk.kkk.....",
    "..k.nn.gggg.k..." "..k.nn.ggsk..k.." ".....kkkkk......",
    "..k.........k..." "..k.......k..k.." "......kkk.......",
    "..k.nn.ggggsk..." "..k.nn.gggk..k.." ".....kkkkk......",
    "..k.nn......k..." "..k.......k..k.." "....kkk.kkk.....",
    "..k.........k..." "..k.nn.ggsk..k.." "...kkk...kkk....",
    "..k.nn.ggg..k..." "..k.......kkkk.." "..kkk.....kkk...",
    "..k.nn......k..." "..k.nn.gggk....." "..kk.......kk...",
    "..k.........k..." "..k.......k....." "................",
    "..kkkkkkkkkkk..." "..kkkkkkkkk....." "................",
    "................" "................" "................",
};

void EntryKinds(Bitmap& b) {
    b.width = 48;
    b.height = 16;
    b.pixels.resize(48 * 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x) b.pixels[y * 48 + x] = StripColour(kEntryKinds[y][x]);
}

uint32_t Rgb(int r, int g, int b) {
    auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

// The logo: a client screen showing a boot menu with one highlighted line,
// on a dark blue to teal ground crossed by a spark.
void Logo(Bitmap& b) {
    const int w = 121, h = 88;
    b.width = w;
    b.height = h;
    b.pixels.assign(w * h, 0);
    auto put = [&](int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) b.pixels[y * w + x] = c;
    };
    auto fill = [&](int x0, int y0, int x1, int y1, uint32_t c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) put(x, y, c);
    };
    // Ground: quantised diagonal gradient (the logo is a 256-colour picture).
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int t = (x * 2 + y * 3) * 16 / (w * 2 + h * 3);
            put(x, y, Rgb(0, 24 + t * 6, 72 + t * 6));
        }
    // Monitor: frame, screen, stand.
    fill(14, 10, 107, 66, Rgb(192, 192, 192));
    fill(16, 12, 105, 64, Rgb(128, 128, 128));
    fill(18, 14, 103, 62, Rgb(0, 0, 128));
    fill(50, 66, 71, 72, Rgb(160, 160, 160));
    fill(40, 72, 81, 76, Rgb(192, 192, 192));
    // Menu banner and lines; the second line is highlighted.
    fill(22, 18, 99, 22, Rgb(0, 255, 255));
    for (int i = 0; i < 5; ++i) {
        int y = 27 + i * 7;
        if (i == 1) {
            fill(22, y - 1, 99, y + 4, Rgb(192, 192, 192));
            fill(26, y + 1, 80, y + 2, Rgb(0, 0, 128));
        } else {
            fill(26, y + 1, 70 + (i * 7) % 20, y + 2, Rgb(255, 255, 255));
        }
    }
    // The spark: a thick zigzag from the upper right to the lower left.
    const int zig[][2] = {{100, 4}, {76, 40}, {90, 40}, {60, 84}};
    for (int s = 0; s + 1 < 4; ++s) {
        int x0 = zig[s][0], y0 = zig[s][1], x1 = zig[s + 1][0], y1 = zig[s + 1][1];
        int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int i = 0; i <= steps; ++i) {
            int x = x0 + (x1 - x0) * i / steps, y = y0 + (y1 - y0) * i / steps;
            for (int d = -2; d <= 2; ++d) put(x + d, y, d == -2 || d == 2 ? Rgb(255, 160, 0) : Rgb(255, 255, 0));
        }
    }
}

}  // namespace

bool LoadBitmap(unsigned id, Bitmap& bitmap) {
    switch (id) {
        case IDB_ENTRY_KINDS: EntryKinds(bitmap); return true;
        case IDB_LOGO: Logo(bitmap); return true;
        case IDB_WATERMARK: DrawWatermark(bitmap); return true;
        default: return false;
    }
}

}  // namespace res
