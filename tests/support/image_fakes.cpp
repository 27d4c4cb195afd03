// fsck.fat for the image dialog tests.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "tests/support/image_fakes.h"

namespace menvolt_test {

bool FsckClean(const std::filesystem::path& image, std::string* report) {
    std::string command = "fsck.fat -n '" + image.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    std::string output;
    char buffer[512];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    int status = pclose(pipe);
    if (report) *report = output;
    return status == 0;
}

}  // namespace menvolt_test
