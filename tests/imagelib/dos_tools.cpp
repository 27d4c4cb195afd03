#include "tests/imagelib/dos_tools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace menvolt_test {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

ToolRun Run(const std::string& command) {
    ToolRun run;
    // mtools would otherwise insist on geometries of its own liking.
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
    setenv("MTOOLSRC", "/dev/null", 1);
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

bool FsckCleanFile(const std::filesystem::path& image, size_t offset, std::string* report) {
    std::filesystem::path target = image;
    std::filesystem::path temp;
    if (offset != 0) {
        std::ifstream in(image, std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        temp = image.string() + ".volume";
        std::ofstream out(temp, std::ios::binary);
        out.write(bytes.data() + offset, static_cast<std::streamsize>(bytes.size() - offset));
        out.close();
        target = temp;
    }
    ToolRun run = Run("fsck.fat -n " + Quote(target.string()));
    if (!temp.empty()) std::filesystem::remove(temp);
    if (report) *report = run.output;
    return run.exitCode == 0;
}

bool FsckClean(const std::vector<uint8_t>& image, size_t offset, std::string* report) {
    char name[] = "/tmp/imagelib-fsck-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return false;
    FILE* f = fdopen(fd, "wb");
    fwrite(image.data() + offset, 1, image.size() - offset, f);
    fclose(f);
    bool clean = FsckCleanFile(name, 0, report);
    std::remove(name);
    return clean;
}

std::string MtoolsImage(const std::filesystem::path& image, size_t offset) {
    std::string target = image.string();
    if (offset) target += "@@" + std::to_string(offset);
    return "-i " + Quote(target);
}

bool MtoolsRead(const std::filesystem::path& image, size_t offset, const std::string& dosPath,
                std::vector<uint8_t>& out) {
    char name[] = "/tmp/imagelib-mcopy-XXXXXX";
    int fd = mkstemp(name);
    if (fd < 0) return false;
    close(fd);
    ToolRun run = Run("mcopy -n -o " + MtoolsImage(image, offset) + " " + Quote("::" + dosPath) + " " + Quote(name));
    std::ifstream in(name, std::ios::binary);
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::remove(name);
    return run.exitCode == 0;
}

}  // namespace menvolt_test
