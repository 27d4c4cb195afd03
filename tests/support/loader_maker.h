// Loader files for the bench, made the way the editor makes them: through
// LoaderFile and a save, so that the length word and checksum are real.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace menvolt_test {

struct ItemStrings {
    std::string image, description, help;
};

constexpr const char* kServerPath = "Setup\\English\\Tools\\Zent\\i386\\";

std::vector<uint8_t> MakeLoader(const std::vector<ItemStrings>& items, const std::string& serverPath = kServerPath,
                                uint16_t colors = 0x7007, const std::string& banner = "Client Installation Wizard");

// A 1.44 MB diskette image whose every sector starts with its own linear
// number (a word) and is filled with its low byte; the boot sector starts
// with HLT so that an emulator arriving there stops.
std::vector<uint8_t> DisketteImage();
// A boot program of the given size: HLT, then a byte pattern.
std::vector<uint8_t> BootProgram(size_t size);

}  // namespace menvolt_test
