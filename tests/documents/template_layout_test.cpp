// The built-in template against the layout every loader file relies on. The
// offsets come from the same definition the assembler used, so this test
// reads the assembler's own listing to see that the labels it placed agree.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <string>

#include "layout.h"
#include "loader_template.h"

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
    EXPECT_EQ(WordAt(t, LDR_RESERVED), 0);
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

// The assembler listing names the labels of every fixed place; each must sit
// at the offset the editor uses for it.
TEST(Template, AssemblerPlacedLabelsWhereTheEditorLooks) {
    std::ifstream listing(TEMPLATE_LISTING);
    ASSERT_TRUE(listing) << TEMPLATE_LISTING;
    std::map<std::string, unsigned> expected = {
        {"text_arrows", LDR_TEXT_ARROWS},   {"text_continue", LDR_TEXT_CONTINUE},
        {"text_description", LDR_TEXT_DESCRIPTION}, {"header", LDR_HEADER},
        {"selected_item", LDR_SELECTED},    {"server_ip", LDR_SERVER_IP},
        {"tftp_params", LDR_TFTP_PARAMS},   {"work_buffer_ptr", LDR_WORK_BUFFER_PTR},
    };
    // Listing lines: "<line> <offset> <bytes> <source>"; a label line carries
    // the offset of what follows it on the next line with bytes.
    std::regex line(R"(^\s*\d+\s+([0-9A-F]{8})\s.*?\s(\w+):)");
    std::regex bare(R"(^\s*\d+\s+(\w+):\s*$)");
    std::map<std::string, unsigned> found;
    std::string pendingLabel;
    std::regex any(R"(^\s*\d+\s+([0-9A-F]{8})\s)");
    for (std::string text; std::getline(listing, text);) {
        std::smatch m;
        if (!pendingLabel.empty() && std::regex_search(text, m, any)) {
            found[pendingLabel] = std::stoul(m[1], nullptr, 16);
            pendingLabel.clear();
        } else if (std::regex_search(text, m, bare)) {
            pendingLabel = m[1];
        } else if (std::regex_search(text, m, line)) {
            found.emplace(m[2], std::stoul(m[1], nullptr, 16));
        }
    }
    for (const auto& [label, offset] : expected) {
        ASSERT_TRUE(found.count(label)) << label;
        EXPECT_EQ(found[label], offset) << label;
    }
}
