// Runs Debian's FAT tools (dosfstools, mtools) on images the library made,
// so that every test checks our volumes against an independent reader.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace menvolt_test {

struct ToolRun {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

ToolRun Run(const std::string& command);

// fsck.fat -n on the volume at `offset` of the image bytes (copied to a file
// of its own when the offset is not 0). Fills `report` with the output.
bool FsckClean(const std::vector<uint8_t>& image, size_t offset, std::string* report = nullptr);
bool FsckCleanFile(const std::filesystem::path& image, size_t offset, std::string* report = nullptr);

// mtools drive argument for a volume at an offset: "-i 'file@@offset'".
std::string MtoolsImage(const std::filesystem::path& image, size_t offset);

// mtype of one file, or nullopt-like empty flag when mtools fails.
bool MtoolsRead(const std::filesystem::path& image, size_t offset, const std::string& dosPath,
                std::vector<uint8_t>& out);

std::string Quote(const std::string& s);

}  // namespace menvolt_test
