// Splitting a path into its components. Paths inside the program are Windows
// paths, and the paths inside an image volume are written the same way, so
// the editor's host file system and the image library (which shares no
// other code with the editor) read them with this one splitter.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace common {

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

// The components between '\' or '/' separators; doubled, leading and
// trailing separators give no empty components, so "" and "\" give none.
inline std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (IsPathSeparator(c)) {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace common
