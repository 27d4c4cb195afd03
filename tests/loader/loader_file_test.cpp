// Editing a loader document in memory: layout, items, wrapping, banner, colours.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "loader/layout.h"
#include "loader/loader_file.h"

using namespace layout;

namespace {

uint16_t Word(const LoaderFile& doc, size_t at) { return static_cast<uint16_t>(doc.Data()[at] | (doc.Data()[at + 1] << 8)); }
uint16_t Field(const LoaderFile& doc, size_t field) { return Word(doc, doc.HeaderOffset() + field); }
uint16_t SlotField(const LoaderFile& doc, int slot, size_t field) {
    return Field(doc, HDR_SLOTS + slot * HDR_SLOT_SIZE + field);
}

// The invariants every change must keep: 26 strings without gaps from the
// title on, the header pointing at each, and the length just past the last.
void ExpectContiguous(const LoaderFile& doc) {
    size_t at = Field(doc, HDR_TITLE);
    auto step = [&](uint16_t expected) {
        EXPECT_EQ(expected, at);
        at += std::strlen(reinterpret_cast<const char*>(doc.Data() + at)) + 1;
    };
    at += std::strlen(reinterpret_cast<const char*>(doc.Data() + at)) + 1;
    step(Field(doc, HDR_SERVER_PATH));
    for (int s = 0; s < 8; ++s) {
        step(SlotField(doc, s, SLOT_IMAGE));
        step(SlotField(doc, s, SLOT_DESCRIPTION));
        step(SlotField(doc, s, SLOT_HELP));
    }
    EXPECT_EQ(static_cast<size_t>(doc.Length()), at);
    for (size_t i = at; i < LDR_MAX_SIZE; ++i) ASSERT_EQ(doc.Data()[i], 0) << "stale byte behind the image at " << i;
}

}  // namespace

TEST(LoaderDocument, NewDocumentHasDefaultBannerAndLayout) {
    LoaderFile doc;
    EXPECT_EQ(doc.Length(), 2786);
    EXPECT_EQ(doc.GetItemCount(), 0);
    EXPECT_EQ(doc.GetColors(), 0x7007);
    EXPECT_EQ(doc.GetVersion(), 0x0100);
    EXPECT_EQ(doc.GetTitle(), "Client Installation Wizard");
    std::string title(reinterpret_cast<const char*>(doc.Data() + 0x0A78));
    EXPECT_EQ(title, "  Client Installation Wizard" + std::string(52, ' '));
    EXPECT_EQ(Field(doc, HDR_SERVER_PATH), 0x0AC9);
    EXPECT_EQ(doc.GetFolder(), "");
    ExpectContiguous(doc);
}

TEST(LoaderDocument, BannerPaddingAndTrimming) {
    LoaderFile doc;
    ASSERT_TRUE(doc.SetTitle(std::string(75, 'x')));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(doc.Data() + 0x0A78)), "  " + std::string(75, 'x') + "   ");
    ASSERT_TRUE(doc.SetTitle(std::string(78, 'y')));
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(doc.Data() + 0x0A78)), 80u);
    ASSERT_TRUE(doc.SetTitle(std::string(90, 'z')));
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(doc.Data() + 0x0A78)), 92u);
    EXPECT_EQ(doc.GetTitle(), std::string(90, 'z'));
    ExpectContiguous(doc);
}

TEST(LoaderDocument, SetItemRaisesCountNeverLowersIt) {
    LoaderFile doc;
    ASSERT_TRUE(doc.SetItem(2, "c.img", "C", "help c"));
    EXPECT_EQ(doc.GetItemCount(), 3);
    EXPECT_EQ(doc.GetImageFile(0), "");
    EXPECT_EQ(doc.GetDescription(1), "");
    ASSERT_TRUE(doc.SetItem(0, "a.img", "A", ""));
    EXPECT_EQ(doc.GetItemCount(), 3);
    std::string image, description, help;
    doc.GetItem(2, image, description, help);
    EXPECT_EQ(image, "c.img");
    EXPECT_EQ(description, "C");
    EXPECT_EQ(help, "help c");
    ExpectContiguous(doc);
    // Three items in slots 0-2; slots 3-7 still hold their 15 empty strings.
    EXPECT_EQ(doc.Length(), 2786 + 5 + 1 + 5 + 1 + 6);
}

TEST(LoaderDocument, RemoveItemMovesLaterItemsUp) {
    LoaderFile doc;
    doc.SetItem(0, "a.img", "Alpha", "first");
    doc.SetItem(1, "b.img", "Beta", "second");
    doc.SetItem(2, "", "Gamma", "third");
    int before = doc.Length();
    ASSERT_TRUE(doc.RemoveItem(0));
    EXPECT_EQ(doc.GetItemCount(), 2);
    EXPECT_EQ(doc.GetDescription(0), "Beta");
    EXPECT_EQ(doc.GetHelpText(1), "third");
    EXPECT_EQ(doc.GetImageFile(1), "");
    for (int s = 2; s < 8; ++s) EXPECT_EQ(doc.GetDescription(s), "");
    EXPECT_EQ(doc.Length(), before - static_cast<int>(std::strlen("a.img") + std::strlen("Alpha") + std::strlen("first")));
    ExpectContiguous(doc);

    ASSERT_TRUE(doc.RemoveItem(1));  // the bottom row
    EXPECT_EQ(doc.GetItemCount(), 1);
    EXPECT_EQ(doc.GetDescription(0), "Beta");
    ExpectContiguous(doc);
}

TEST(LoaderDocument, RemoveItemRefusesEmptyOrUnusedSlots) {
    LoaderFile doc;
    std::vector<uint8_t> before(doc.Data(), doc.Data() + LDR_MAX_SIZE);
    EXPECT_FALSE(doc.RemoveItem(0));
    doc.SetItem(0, "a.img", "A", "");
    EXPECT_FALSE(doc.RemoveItem(1));
    EXPECT_FALSE(doc.RemoveItem(-1));
    EXPECT_FALSE(doc.RemoveItem(8));
    EXPECT_EQ(doc.GetItemCount(), 1);
}

TEST(LoaderDocument, HelpTextWrapsForTheClientScreen) {
    std::string wrapped;
    ASSERT_TRUE(LoaderFile::WrapText(std::string(55, 'a'), wrapped));
    EXPECT_EQ(wrapped.find('\n'), std::string::npos);

    // 56 characters: one break, inside the word when no blank lies in 40-55.
    ASSERT_TRUE(LoaderFile::WrapText(std::string(56, 'a'), wrapped));
    EXPECT_EQ(wrapped, std::string(56, 'a') + "\n");

    // A blank at position 55 is the break; the blank stays on the first line.
    std::string text = std::string(55, 'a') + " " + std::string(10, 'b');
    ASSERT_TRUE(LoaderFile::WrapText(text, wrapped));
    EXPECT_EQ(wrapped, std::string(55, 'a') + " \n" + std::string(10, 'b'));

    // Otherwise the last blank at or after position 40 wins.
    text = std::string(45, 'a') + " " + std::string(30, 'b');
    ASSERT_TRUE(LoaderFile::WrapText(text, wrapped));
    EXPECT_EQ(wrapped, std::string(45, 'a') + " \n" + std::string(30, 'b'));

    // A blank before position 40 does not count.
    text = std::string(30, 'a') + " " + std::string(40, 'b');
    ASSERT_TRUE(LoaderFile::WrapText(text, wrapped));
    EXPECT_EQ(wrapped.find('\n'), 56u);

    // Further lines hold 70 characters counted from the line feed.
    ASSERT_TRUE(LoaderFile::WrapText(std::string(56 + 70, 'c'), wrapped));
    EXPECT_EQ(wrapped, std::string(56, 'c') + "\n" + std::string(70, 'c') + "\n");
    ASSERT_TRUE(LoaderFile::WrapText(std::string(56 + 69, 'c'), wrapped));
    EXPECT_EQ(wrapped, std::string(56, 'c') + "\n" + std::string(69, 'c'));
    // Blanks after position 40 of a further line break it there.
    text = std::string(56, 'a') + std::string(50, 'b') + " " + std::string(30, 'c');
    ASSERT_TRUE(LoaderFile::WrapText(text, wrapped));
    EXPECT_EQ(wrapped, std::string(56, 'a') + "\n" + std::string(50, 'b') + " \n" + std::string(30, 'c'));
}

TEST(LoaderDocument, HelpTextRoundTripsWithoutLineFeeds) {
    LoaderFile doc;
    std::string help;
    for (int i = 0; help.size() < 260; ++i) help += "word" + std::to_string(i) + " ";
    help.resize(260);
    ASSERT_TRUE(doc.SetItem(0, "x.img", "X", help));
    EXPECT_EQ(doc.GetHelpText(0), help);
    std::string stored(reinterpret_cast<const char*>(doc.Data() + SlotField(doc, 0, SLOT_HELP)));
    EXPECT_NE(stored.find('\n'), std::string::npos);
}

TEST(LoaderDocument, RefusedChangesLeaveTheDocumentUntouched) {
    LoaderFile doc;
    doc.SetItem(0, "a.img", "A", "keep");
    std::vector<uint8_t> before(doc.Data(), doc.Data() + LDR_MAX_SIZE);
    int length = doc.Length();

    // A help text that wraps beyond the 272-byte work area.
    EXPECT_FALSE(doc.SetItem(1, "b.img", "B", std::string(300, 'h')));
    // A slot outside 0-7.
    EXPECT_FALSE(doc.SetItem(8, "c.img", "C", ""));
    EXPECT_FALSE(doc.SetItem(-1, "c.img", "C", ""));
    EXPECT_EQ(doc.GetItemCount(), 1);
    EXPECT_EQ(doc.Length(), length);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc.Data()));

    // Growing past 8192 bytes: fill until a change is refused, then compare.
    for (int round = 0; round < 100; ++round) {
        std::vector<uint8_t> snapshot(doc.Data(), doc.Data() + LDR_MAX_SIZE);
        int snapLength = doc.Length();
        if (!doc.SetItem(round % 8, std::string(200, 'i'), std::string(400, 'd'), std::string(250, 'h'))) {
            EXPECT_EQ(doc.Length(), snapLength);
            EXPECT_TRUE(std::equal(snapshot.begin(), snapshot.end(), doc.Data()));
            EXPECT_FALSE(doc.SetTitle(std::string(8000, 't')));
            EXPECT_EQ(doc.Length(), snapLength);
            ExpectContiguous(doc);
            return;
        }
        EXPECT_LE(doc.Length(), 8192);
    }
    FAIL() << "a document never reached the size limit";
}

TEST(LoaderDocument, ColoursServerPathAndFolder) {
    LoaderFile doc;
    doc.SetColors(0x3E1C);
    EXPECT_EQ(doc.GetColors(), 0x3E1C);
    EXPECT_EQ(doc.Data()[doc.HeaderOffset() + HDR_NORMAL_ATTR], 0x1C);
    EXPECT_EQ(doc.Data()[doc.HeaderOffset() + HDR_HIGHLIGHT_ATTR], 0x3E);
    ASSERT_TRUE(doc.SetServerPath("Setup\\English\\Tools\\Zent\\i386\\"));
    EXPECT_EQ(doc.GetServerPath(), "Setup\\English\\Tools\\Zent\\i386\\");
    ExpectContiguous(doc);
}

TEST(LoaderDocument, ShrinkingStringMovesOnlyTheBytesBehindIt) {
    LoaderFile doc;
    doc.SetItem(0, "long-image-name.img", "A long description", "help");
    doc.SetItem(1, "b.img", "B", "help b");
    ASSERT_TRUE(doc.SetItem(0, "a.img", "A", "h"));
    EXPECT_EQ(doc.GetDescription(1), "B");
    EXPECT_EQ(doc.GetHelpText(1), "help b");
    ExpectContiguous(doc);
}
