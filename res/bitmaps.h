// The program's bitmaps, drawn in code so that no binary picture files are
// needed: the entry-kind strip of the main list and the main window's logo.
#pragma once

#include <cstdint>
#include <vector>

namespace res {

struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row, top row first
};

// Fills `bitmap` and returns true for a known bitmap identifier.
bool LoadBitmap(unsigned id, Bitmap& bitmap);

}  // namespace res
