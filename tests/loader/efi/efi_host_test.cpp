// The UEFI program's pure parts on the host: what they get from the
// network or a site's files is checked before anything is used.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/loader_maker.h"

extern "C" {
#include "loader/efi/boot_file_names.h"
#include "loader/efi/dhcp_option.h"
#include "loader/efi/efi_layout.h"
#include "loader/efi/http_header.h"
#include "loader/efi/loader_check.h"
#include "loader/efi/web_setting.h"
}

namespace {

using Bytes = std::vector<uint8_t>;
const CHAR8* C8(const char* text) { return reinterpret_cast<const CHAR8*>(text); }

// The checksum made right again through a byte of the notice, which no
// check reads.
Bytes Resummed(Bytes file) {
    uint8_t sum = 0;
    for (uint8_t b : file) sum = static_cast<uint8_t>(sum + b);
    file[LDR_NOTICE] = static_cast<uint8_t>(file[LDR_NOTICE] - sum);
    return file;
}

void PutWord(Bytes& file, size_t at, unsigned value) {
    file[at] = static_cast<uint8_t>(value);
    file[at + 1] = static_cast<uint8_t>(value >> 8);
}

TEST(LoaderCheck, TakesTheEditorsFileAndRefusesEachDamageForItsReason) {
    const Bytes good = menvolt_test::MakeLoader({{"dos.img", "DOS", "help"}, {"efi.img", "", ""}});
    ASSERT_EQ(CheckLoaderFile(good.data(), good.size()), nullptr);
    const size_t header = good[LDR_HEADER_PTR] | good[LDR_HEADER_PTR + 1] << 8;
    struct Damage {
        const wchar_t* reason;
        Bytes file;
    };
    std::vector<Damage> damages = {{L"checksum", good}, {L"length word", good}, {L"outside", good},
                                   {L"newer", good},    {L"more than", good},   {L"damaged", good}};
    damages[0].file[LDR_NOTICE] ^= 1;
    damages[1].file.push_back(0);
    PutWord(damages[2].file, LDR_HEADER_PTR, static_cast<unsigned>(good.size() - LDR_HEADER_SIZE + 1));
    PutWord(damages[3].file, header + HDR_VERSION, LDR_FORMAT_VERSION + 1);
    PutWord(damages[4].file, header + HDR_ITEM_COUNT, LDR_SLOT_COUNT + 1);
    damages[5].file.back() = 'x';  // the last string loses its NUL
    for (size_t i = 1; i < damages.size(); ++i) damages[i].file = Resummed(damages[i].file);
    for (const Damage& d : damages) {
        const wchar_t* why = CheckLoaderFile(d.file.data(), d.file.size());
        ASSERT_NE(why, nullptr) << std::wstring(d.reason).size();
        EXPECT_NE(std::wcsstr(why, d.reason), nullptr) << std::wstring(why).size();
    }
    // A file cut anywhere is refused; exact-size copies let ASan see a read past the end.
    for (size_t size = 0; size < good.size(); ++size) {
        Bytes cut(good.begin(), good.begin() + static_cast<long>(size));
        EXPECT_NE(CheckLoaderFile(cut.data(), size), nullptr) << size;
    }
}

TEST(DhcpOption, WalksPadsAndStopsAtTheEndOrThePacketsEdge) {
    Bytes packet(240, 0);
    const uint8_t cookie[] = {99, 130, 83, 99};
    std::memcpy(&packet[236], cookie, 4);
    const Bytes options = {0, 0, 53, 1, 5, 54, 4, 10, 0, 0, 1, 67, 3, 'a', '.', 'e', 255, 66, 1, 'x'};
    packet.insert(packet.end(), options.begin(), options.end());
    size_t length = 0;
    const uint8_t* server = FindDhcpOption(packet.data(), packet.size(), DHCP_OPTION_SERVER_ID, &length);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(Bytes(server, server + length), (Bytes{10, 0, 0, 1}));
    EXPECT_EQ(FindDhcpOption(packet.data(), packet.size(), DHCP_OPTION_BOOT_FILE, &length), &packet[253]);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(FindDhcpOption(packet.data(), packet.size(), 66, &length), nullptr);  // behind the end option
    EXPECT_EQ(FindDhcpOption(packet.data(), 255, DHCP_OPTION_BOOT_FILE, &length), nullptr);  // runs past the edge
    packet[236] = 0;
    EXPECT_EQ(FindDhcpOption(packet.data(), packet.size(), DHCP_OPTION_SERVER_ID, &length), nullptr);
    EXPECT_EQ(FindDhcpOption(packet.data(), 100, DHCP_OPTION_SERVER_ID, &length), nullptr);
}

TEST(HttpHeader, ContentLengthIsDigitsThatFitAndNamesIgnoreCase) {
    struct Case {
        const char* text;
        bool taken;
        uint64_t value;
    } cases[] = {{"1234", true, 1234},   {" \t42 ", true, 42}, {"18446744073709551615", true, UINT64_MAX},
                 {"18446744073709551616", false, 0}, {"", false, 0}, {"12a", false, 0}, {"-1", false, 0},
                 {"1 2", false, 0}};
    for (const Case& c : cases) {
        uint64_t value = 7;
        EXPECT_EQ(ParseContentLength(C8(c.text), &value) != 0, c.taken) << c.text;
        EXPECT_EQ(value, c.taken ? c.value : 7) << c.text;
    }
    EXPECT_TRUE(HeaderNameIs(C8("content-LENGTH"), "Content-Length"));
    EXPECT_FALSE(HeaderNameIs(C8("Content-Lengths"), "Content-Length"));
    EXPECT_FALSE(HeaderNameIs(C8("Content-Lengt"), "Content-Length"));
}

std::string Named(const char* own, const char* extension, size_t size = 64) {
    std::vector<CHAR8> out(size);
    NameWithExtension(C8(own), C8(extension), out.data(), size);
    return reinterpret_cast<const char*>(out.data());
}

TEST(BootFileNames, ExtensionOfTheLastPartAndTheSharedFileBesideIt) {
    EXPECT_EQ(Named("boot\\menvolt.efi", ".ldr"), "boot\\menvolt.ldr");
    EXPECT_EQ(Named("a.b/menvolt", ".url"), "a.b/menvolt.url");
    EXPECT_EQ(Named("abcdefghij.efi", ".ldr", 10), "abcde.ldr");
    CHAR8 out[32];
    ASSERT_TRUE(OtherNameInFolder(C8("x/shimx64.ldr"), C8("menvolt.ldr"), out, sizeof out));
    EXPECT_STREQ(reinterpret_cast<char*>(out), "x/menvolt.ldr");
    EXPECT_FALSE(OtherNameInFolder(C8("x/menvolt.ldr"), C8("menvolt.ldr"), out, sizeof out));
    EXPECT_FALSE(OtherNameInFolder(C8("folder/a"), C8("menvolt.ldr"), out, 12));
}

TEST(WebSetting, FirstLineAsABaseWithItsClosingSlash) {
    struct Case {
        const char* text;
        const wchar_t* base;  // nullptr: refused
    } cases[] = {{"  http://srv:8080/menus \r\nnext", L"http://srv:8080/menus/"}, {"https://srv/", L"https://srv/"},
                 {"http://", nullptr}, {"ftp://srv/", nullptr}, {"http://s v/", nullptr},
                 {"http://srv/\xE9/", nullptr}, {"http://srv/abcdefghijkl", nullptr}};
    for (const Case& c : cases) {
        CHAR16 base[24] = {};
        bool taken = ParseWebSetting(reinterpret_cast<const UINT8*>(c.text), std::strlen(c.text), base, 24) != 0;
        EXPECT_EQ(taken, c.base != nullptr) << c.text;
        if (c.base && taken) {
            EXPECT_STREQ(base, c.base) << c.text;
        }
    }
}

}  // namespace
