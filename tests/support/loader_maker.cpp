#include "tests/support/loader_maker.h"

#include <stdexcept>

#include "loader/loader_file.h"
#include "tests/support/test_support.h"

namespace menvolt_test {

std::vector<uint8_t> MakeLoader(const std::vector<ItemStrings>& items, const std::string& serverPath,
                                uint16_t colors, const std::string& banner) {
    menvolt_test::ScriptedMessages messages;
    LoaderFile loader;
    if (!loader.SetTitle(banner) || !loader.SetServerPath(serverPath)) throw std::runtime_error("loader strings");
    loader.SetColors(colors);
    for (size_t i = 0; i < items.size(); ++i)
        if (!loader.SetItem(static_cast<int>(i), items[i].image, items[i].description, items[i].help))
            throw std::runtime_error("loader item");
    menvolt_test::TempShare share;
    if (!loader.SaveAs(menvolt_test::TempShare::Unc("tool1.ldr"))) throw std::runtime_error("loader save");
    return menvolt_test::ReadBytes(share / "tool1.ldr");
}

std::vector<uint8_t> DisketteImage() {
    std::vector<uint8_t> image(2880 * 512);
    for (size_t s = 0; s < 2880; ++s) {
        uint8_t* p = image.data() + s * 512;
        std::fill(p, p + 512, uint8_t(s));
        p[0] = uint8_t(s);
        p[1] = uint8_t(s >> 8);
    }
    image[0] = 0xF4;
    image[510] = 0x55;
    image[511] = 0xAA;
    return image;
}

std::vector<uint8_t> BootProgram(size_t size) {
    std::vector<uint8_t> program(size);
    for (size_t i = 0; i < size; ++i) program[i] = uint8_t(i * 7 + 3);
    if (size) program[0] = 0xF4;
    return program;
}

}  // namespace menvolt_test
