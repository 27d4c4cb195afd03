// Loader file layout constants, shared with the client program's assembler
// source through loader/layout.def.
#pragma once
#include <cstdint>

namespace layout {
#define LAYOUT(name, value) inline constexpr uint32_t name = (value);
#include "loader/layout.def"
#undef LAYOUT
}  // namespace layout
