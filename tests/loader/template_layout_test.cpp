// The built-in template against the layout every loader file relies on. The
// offsets come from the same definition the assembler used; that every label
// sits at its offset is checked while assembling (CHECK_AT and PAD_TO in
// loader/client/template.asm stop a build that drifts), so this test looks
// at the bytes only.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "loader/layout.h"
#include "loader/loader_template.h"

using namespace layout;

namespace {

uint16_t WordAt(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

std::string TextAt(std::span<const uint8_t> b, size_t at) { return reinterpret_cast<const char*>(b.data() + at); }

}  // namespace

TEST(Template, FixedBytesAndTexts) {
    std::span<const uint8_t> t = loader::Template();
    ASSERT_EQ(t.size(), 2706u);
    EXPECT_EQ(t[0], 0xEB);
    EXPECT_EQ(t[1], 0x41);
    EXPECT_EQ(std::memcmp(t.data() + 2, "QVLRIS", 6), 0);
    EXPECT_EQ(WordAt(t, LDR_HEADER_PTR), 0x0A3A);
    EXPECT_EQ(t[8], ':');  // the signature types as "QVLRIS:" and a line feed
    EXPECT_EQ(t[9], '\n');
    EXPECT_EQ(WordAt(t, LDR_LENGTH), 0);
    EXPECT_LE(TextAt(t, LDR_NOTICE).size(), 54u);
    EXPECT_EQ(t[LDR_NOTICE + 54], 0);
    EXPECT_EQ(t[0x43], 0xE9);
    EXPECT_EQ(t[0x44], 0xA9);
    EXPECT_EQ(t[0x45], 0x02);
    EXPECT_EQ(WordAt(t, LDR_RAMDISK_KB), 1440);
    EXPECT_EQ(WordAt(t, LDR_RAMDISK_SPT), 18);
    EXPECT_EQ(t[0x02EE], 0);
    EXPECT_EQ(TextAt(t, LDR_TEXT_ARROWS), "Use the arrow keys to select one of the following options:");
    std::string bar = TextAt(t, LDR_TEXT_CONTINUE);
    EXPECT_EQ(bar.size(), 80u);
    EXPECT_EQ(bar.substr(0, 18), "  [ENTER] Continue");
    EXPECT_EQ(bar.find_first_not_of(' ', 18), std::string::npos);
    EXPECT_EQ(TextAt(t, LDR_TEXT_DESCRIPTION), "Description:");
    EXPECT_EQ(WordAt(t, LDR_SELECTED), 0);
    EXPECT_EQ(WordAt(t, LDR_TIMEOUT), 0);
}

TEST(Template, HeaderValuesAndEmptyStrings) {
    std::span<const uint8_t> t = loader::Template();
    size_t h = LDR_HEADER;
    EXPECT_EQ(WordAt(t, h + HDR_VERSION), 0x0100);
    EXPECT_EQ(WordAt(t, h + HDR_RESERVED1), 1);
    EXPECT_EQ(t[h + HDR_CHECKSUM], 0);
    EXPECT_EQ(t[h + HDR_NORMAL_ATTR], 0x07);
    EXPECT_EQ(t[h + HDR_HIGHLIGHT_ATTR], 0x70);
    EXPECT_EQ(WordAt(t, h + HDR_ITEM_COUNT), 0);
    EXPECT_EQ(WordAt(t, h + HDR_TITLE), 0x0A78);
    for (size_t f = HDR_SERVER_PATH; f < LDR_HEADER_SIZE; f += 2) EXPECT_EQ(WordAt(t, h + f), 0) << f;
    for (size_t i = LDR_STRINGS; i < t.size(); ++i) EXPECT_EQ(t[i], 0) << i;
    EXPECT_EQ(t.size() - LDR_STRINGS, 26u);
}
