#include "loader/loader_template.h"

#include "loader/layout.h"

extern const uint8_t kLoaderTemplate[];
extern const size_t kLoaderTemplate_size;

namespace loader {

std::span<const uint8_t> Template() { return {kLoaderTemplate, kLoaderTemplate_size}; }

}  // namespace loader
