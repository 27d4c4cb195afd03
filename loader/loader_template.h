// The built-in loader template: the client program with an empty header and
// 26 empty strings, assembled from loader/client/ at build time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace loader {
std::span<const uint8_t> Template();
}
