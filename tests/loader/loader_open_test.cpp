// Reading and writing loader files: every check of Open with its message
// identifier, and saves that never lose what is on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "loader/layout.h"
#include "loader/loader_file.h"
#include "platform/file_system.h"
#include "res/resource.h"
#include "tests/support/test_support.h"

using namespace layout;
using menvolt_test::ReadBytes;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;
using menvolt_test::WriteBytes;

namespace {


void FixChecksum(std::vector<uint8_t>& b) {
    size_t h = b[LDR_HEADER_PTR] | (b[LDR_HEADER_PTR + 1] << 8);
    if (h + HDR_CHECKSUM >= b.size()) return;
    b[h + HDR_CHECKSUM] = 0;
    unsigned sum = 0;
    for (uint8_t v : b) sum += v;
    b[h + HDR_CHECKSUM] = static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

void SetWord(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = v >> 8;
}

class LoaderFiles : public ::testing::Test {
protected:
    TempShare share;
    ScriptedMessages messages;

    // The bytes of a valid two-item loader file as the document saves it.
    std::vector<uint8_t> ValidFile() {
        LoaderFile doc;
        doc.SetItem(0, "a.img", "A", "help");
        doc.SetItem(1, "", "Hard drive", "");
        EXPECT_TRUE(doc.SaveAs(TempShare::Unc("valid.ldr")));
        std::vector<uint8_t> bytes = ReadBytes(share / "valid.ldr");
        std::filesystem::remove(share / "valid.ldr");
        return bytes;
    }

    // Opens bytes written to disk; returns m_error, and checks that a failed
    // open left the document as it was.
    uint32_t OpenBytes(const std::vector<uint8_t>& bytes, bool* opened = nullptr) {
        WriteBytes(share / "t.ldr", bytes);
        LoaderFile doc;
        std::vector<uint8_t> before(doc.Data(), doc.Data() + doc.Length());
        BOOL ok = doc.Open(TempShare::Unc("t.ldr"));
        if (opened) *opened = ok;
        if (!ok) {
            EXPECT_EQ(std::vector<uint8_t>(doc.Data(), doc.Data() + doc.Length()), before);
        }
        EXPECT_EQ(ReadBytes(share / "t.ldr"), bytes) << "Open changed the file";
        return doc.m_error;
    }
};

TEST_F(LoaderFiles, SavedFileHasLengthWordAndZeroSum) {
    LoaderFile doc;
    ASSERT_TRUE(doc.SaveAs(TempShare::Unc("tool0.ldr")));
    std::vector<uint8_t> bytes = ReadBytes(share / "tool0.ldr");
    ASSERT_EQ(bytes.size(), 2786u);
    EXPECT_EQ(bytes[LDR_LENGTH] | (bytes[LDR_LENGTH + 1] << 8), 2786);
    unsigned sum = 0;
    for (uint8_t b : bytes) sum += b;
    EXPECT_EQ(sum % 256, 0u);

    LoaderFile again;
    ASSERT_TRUE(again.Open(TempShare::Unc("TOOL0.LDR")));  // names match ignoring case
    EXPECT_EQ(again.GetItemCount(), 0);
    EXPECT_EQ(again.GetTitle(), "Client Installation Wizard");
    EXPECT_EQ(again.GetFolder(), TempShare::Unc());
    EXPECT_TRUE(messages.Empty());
}

TEST_F(LoaderFiles, ReopenedDocumentEditsAndSavesCleanly) {
    std::vector<uint8_t> bytes = ValidFile();
    WriteBytes(share / "t.ldr", bytes);
    LoaderFile doc;
    ASSERT_TRUE(doc.Open(TempShare::Unc("t.ldr")));
    EXPECT_EQ(doc.GetItemCount(), 2);
    EXPECT_EQ(doc.GetDescription(1), "Hard drive");
    doc.SetItem(2, "c.img", "C", "");
    ASSERT_TRUE(doc.Save());
    LoaderFile again;
    ASSERT_TRUE(again.Open(TempShare::Unc("t.ldr")));
    EXPECT_EQ(again.GetItemCount(), 3);
}

TEST_F(LoaderFiles, SizeAndSignatureChecks) {
    std::vector<uint8_t> good = ValidFile();
    EXPECT_EQ(OpenBytes({}), res::IDS_BAD_FORMAT);  // a 0-byte file
    EXPECT_EQ(OpenBytes({0xEB, 0x41, 'Q', 'V', 'L'}), res::IDS_BAD_FORMAT);
    std::vector<uint8_t> wrong = good;
    wrong[2] = 'X';
    EXPECT_EQ(OpenBytes(wrong), res::IDS_BAD_FORMAT);
    std::vector<uint8_t> big(8193, 0);
    std::copy(good.begin(), good.end(), big.begin());
    EXPECT_EQ(OpenBytes(big), res::IDS_BAD_FORMAT);

    // Exactly 8192 bytes is allowed: pad the last string area with a longer
    // help text so the structure stays valid.
    LoaderFile doc;
    doc.SetItem(0, std::string(127, 'i'), std::string(2000, 'd'), "");
    doc.SetItem(1, std::string(127, 'i'), std::string(2000, 'd'), "");
    int missing = 8192 - doc.Length();
    ASSERT_GT(missing, 0);
    doc.SetTitle(std::string(78 + missing, 't'));
    ASSERT_EQ(doc.Length(), 8192);
    ASSERT_TRUE(doc.SaveAs(TempShare::Unc("max.ldr")));
    LoaderFile reopened;
    EXPECT_TRUE(reopened.Open(TempShare::Unc("max.ldr")));
}

TEST_F(LoaderFiles, CorruptOffsetsAreRefusedNotFollowed) {
    std::vector<uint8_t> good = ValidFile();
    size_t h = LDR_HEADER;

    std::vector<uint8_t> b = good;
    SetWord(b, LDR_HEADER_PTR, 0xFFF0);  // header outside the file
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    SetWord(b, LDR_HEADER_PTR, 4);  // header over the signature
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    SetWord(b, h + HDR_SLOTS + 4, 0x7000);  // a string offset outside the file
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    SetWord(b, h + HDR_SLOTS, 0x0010);  // a slot pointing into the program's notice text
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    SetWord(b, h + HDR_TITLE, 0x0100);  // title inside the program, before the header
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    b.back() = 'x';  // the last string no longer ends inside the file
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = good;
    SetWord(b, h + HDR_ITEM_COUNT, 9);
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    b = std::vector<uint8_t>(good.begin(), good.begin() + LDR_HEADER + 10);  // cut inside the header
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);
    EXPECT_TRUE(messages.Empty());
}

TEST_F(LoaderFiles, HeaderAndStringsMustLieAsTheEditorWritesThem) {
    std::vector<uint8_t> good = ValidFile();
    // A header over the client's entry jump, its strings where they were.
    std::vector<uint8_t> b = good;
    SetWord(b, LDR_HEADER_PTR, 0x20);
    std::copy(good.begin() + LDR_HEADER, good.begin() + LDR_HEADER + LDR_HEADER_SIZE, b.begin() + 0x20);
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    // Every string offset on the title: each string ends in the file, yet the
    // next layout pass would give the items other texts.
    b = good;
    for (size_t field = HDR_TITLE; field < LDR_HEADER_SIZE; field += 2) SetWord(b, LDR_HEADER + field, LDR_STRINGS);
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    // Two slots swapped: in the file, but out of slot order.
    b = good;
    const size_t slot0 = LDR_HEADER + HDR_SLOTS, slot1 = slot0 + HDR_SLOT_SIZE;
    std::swap_ranges(b.begin() + slot0, b.begin() + slot1, b.begin() + slot1);
    FixChecksum(b);
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_FORMAT);

    bool opened = false;
    EXPECT_EQ(OpenBytes(good, &opened), 0u);
    EXPECT_TRUE(opened);
}

TEST_F(LoaderFiles, ChecksumAndVersion) {
    std::vector<uint8_t> good = ValidFile();
    std::vector<uint8_t> b = good;
    b[LDR_HEADER + HDR_CHECKSUM] += 1;
    EXPECT_EQ(OpenBytes(b), res::IDS_BAD_CHECKSUM);
    EXPECT_TRUE(messages.Empty());

    for (uint16_t older : {0x00FF, 0x0100}) {
        b = good;
        SetWord(b, LDR_HEADER + HDR_VERSION, older);
        FixChecksum(b);
        bool opened = false;
        EXPECT_EQ(OpenBytes(b, &opened), 0u);
        EXPECT_TRUE(opened);
        EXPECT_TRUE(messages.Empty());
    }

    b = good;
    SetWord(b, LDR_HEADER + HDR_VERSION, 0x0101);
    FixChecksum(b);
    bool opened = true;
    EXPECT_EQ(OpenBytes(b, &opened), 0u);
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "This loader file is a newer version (v1.01) then is supported.");
    EXPECT_EQ(messages.shown[0].caption, "Menvolt");
    EXPECT_EQ(messages.shown[0].style & platform::MB_ICON_MASK, platform::MB_ICONERROR);
}

TEST_F(LoaderFiles, OpenFailureCauses) {
    LoaderFile doc;
    EXPECT_FALSE(doc.Open(TempShare::Unc("missing.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_IMAGE_NOT_FOUND);
    EXPECT_EQ(doc.GetPath(), TempShare::Unc("missing.ldr"));
    EXPECT_FALSE(doc.Open(TempShare::Unc("no\\such\\folder\\x.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_INVALID_PATH);

    WriteBytes(share / "ro.ldr", ValidFile());
    chmod((share / "ro.ldr").c_str(), 0444);
    // A file this user may only read is read, and marked so.
    EXPECT_TRUE(doc.Open(TempShare::Unc("ro.ldr")));
    EXPECT_TRUE(doc.IsReadOnly());

    WriteBytes(share / "held.ldr", ValidFile());
    platform::ExclusiveFile holder;
    ASSERT_EQ(holder.Open(TempShare::Unc("held.ldr"), platform::ExclusiveFile::Mode::OpenExisting),
              platform::FileError::None);
    EXPECT_FALSE(doc.Open(TempShare::Unc("held.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_OPEN_ERROR);
    // A folder of a loader's name: the open error, and why.
    std::filesystem::create_directory(share / "folder.ldr");
    EXPECT_FALSE(doc.Open(TempShare::Unc("folder.ldr")));
    EXPECT_EQ(doc.ErrorText(), "File open error. This is a folder, pipe or device, not a file.");
    EXPECT_TRUE(messages.Empty());
}

TEST_F(LoaderFiles, FailedSaveShowsItsMessageAndKeepsTheOldFile) {
    std::vector<uint8_t> old = ValidFile();
    WriteBytes(share / "ro.ldr", old);
    chmod((share / "ro.ldr").c_str(), 0444);
    WriteBytes(share / "held.ldr", old);

    LoaderFile doc;
    doc.SetItem(0, "new.img", "New", "");
    EXPECT_FALSE(doc.SaveAs(TempShare::Unc("ro.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_WRITE_PROTECTED);
    EXPECT_EQ(ReadBytes(share / "ro.ldr"), old);

    platform::ExclusiveFile holder;
    ASSERT_EQ(holder.Open(TempShare::Unc("held.ldr"), platform::ExclusiveFile::Mode::OpenExisting),
              platform::FileError::None);
    EXPECT_FALSE(doc.SaveAs(TempShare::Unc("held.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_OPEN_ERROR);
    EXPECT_EQ(ReadBytes(share / "held.ldr"), old);

    EXPECT_FALSE(doc.SaveAs(TempShare::Unc("gone\\x.ldr")));
    EXPECT_EQ(doc.m_error, res::IDS_INVALID_PATH);
    EXPECT_FALSE(std::filesystem::exists(share / "gone"));

    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[0].text, "File write protected.");
    EXPECT_EQ(messages.shown[1].text, "File open error");
    EXPECT_EQ(messages.shown[2].text, "Invalid path.");
    // Nothing but the two files: no temporary file left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(share.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(LoaderFiles, LockHoldsAgainstAnotherProcess) {
    WriteBytes(share / "x.ldr", ValidFile());
    platform::ExclusiveFile holder;
    ASSERT_EQ(holder.Open(TempShare::Unc("x.ldr"), platform::ExclusiveFile::Mode::OpenExisting),
              platform::FileError::None);
    std::string host = (share / "x.ldr").string();
    pid_t child = fork();
    if (child == 0) {
        platform::MapShare("TESTHOST", "RemInst", share.path());
        platform::ExclusiveFile other;
        _exit(other.Open(TempShare::Unc("x.ldr"), platform::ExclusiveFile::Mode::OpenExisting) ==
                      platform::FileError::SharingViolation
                  ? 0
                  : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Start item and timeout go only into a file with our own client program;
// another program's file (here one changed code byte) shows them and keeps
// them. A removed item takes the start item along.
TEST_F(LoaderFiles, StartItemAndTimeoutOnlyWithOurOwnClient) {
    for (bool own : {true, false}) {
        std::vector<uint8_t> bytes = ValidFile();
        SetWord(bytes, LDR_SELECTED, 1);
        SetWord(bytes, LDR_TIMEOUT, 9999);
        if (!own) bytes[LDR_MENU] ^= 0xFF;
        FixChecksum(bytes);
        WriteBytes(share / "t.ldr", bytes);
        LoaderFile doc;
        ASSERT_TRUE(doc.Open(TempShare::Unc("t.ldr")));
        EXPECT_EQ(doc.HasOwnClient(), own);
        EXPECT_EQ(doc.GetDefaultItem() + doc.GetTimeout(), 1 + 9999);
        EXPECT_EQ(doc.SetTimeout(3600), own);
        EXPECT_FALSE(doc.SetTimeout(3601) || doc.SetDefaultItem(8));
        ASSERT_TRUE(doc.RemoveItem(0));
        ASSERT_TRUE(doc.Save());
        std::vector<uint8_t> saved = ReadBytes(share / "t.ldr");
        EXPECT_EQ(saved[LDR_SELECTED], own ? 0 : 1);
        EXPECT_EQ(saved[LDR_TIMEOUT] | saved[LDR_TIMEOUT + 1] << 8, own ? 3600 : 9999);
    }
}

// The countdown follows its item and never starts one nobody chose: removing
// the start item turns it off, removing one before it moves the start along,
// replacing keeps it; a file whose start names no item opens with it off
// and the save stores what was shown.
TEST_F(LoaderFiles, CountdownOnlyEverStartsTheChosenItem) {
    enum Op { Open, Remove, Replace };
    struct Case { uint16_t start, seconds; Op op; int slot; uint16_t wantStart, wantSeconds; uint32_t note; };
    constexpr uint32_t kRemoved = res::IDS_COUNTDOWN_OFF_REMOVED, kNoItem = res::IDS_COUNTDOWN_OFF_NO_ITEM;
    for (Case c : {Case{0, 10, Remove, 0, 0, 0, kRemoved}, Case{2, 10, Remove, 0, 1, 10, 0},
                   Case{1, 10, Remove, 2, 1, 10, 0}, Case{1, 10, Replace, 1, 1, 10, 0},
                   Case{2, 10, Remove, 2, 0, 0, kRemoved}, Case{2, 0, Remove, 2, 0, 0, 0},
                   Case{5, 10, Open, 0, 5, 0, kNoItem}, Case{0xFFFF, 10, Open, 0, 0xFFFF, 0, kNoItem},
                   Case{3, 0, Open, 0, 3, 0, 0}, Case{2, 65535, Open, 0, 2, 65535, 0}}) {
        LoaderFile made;
        for (int slot = 0; slot < 3; ++slot) made.SetItem(slot, "", "Item " + std::to_string(slot), "");
        ASSERT_TRUE(made.SaveAs(TempShare::Unc("t.ldr")));
        std::vector<uint8_t> bytes = ReadBytes(share / "t.ldr");
        SetWord(bytes, LDR_SELECTED, c.start);
        SetWord(bytes, LDR_TIMEOUT, c.seconds);
        FixChecksum(bytes);
        WriteBytes(share / "t.ldr", bytes);
        LoaderFile doc;
        ASSERT_TRUE(doc.Open(TempShare::Unc("t.ldr")));
        if (c.op == Remove) {
            ASSERT_TRUE(doc.RemoveItem(c.slot));
        } else if (c.op == Replace) {
            ASSERT_TRUE(doc.SetItem(c.slot, "new.img", "New", ""));
        }
        const std::string name = "start " + std::to_string(c.start) + " op " + std::to_string(c.op);
        EXPECT_EQ(doc.TakeCountdownNote(), c.note) << name;
        EXPECT_EQ(doc.TakeCountdownNote(), 0u) << name;  // said once
        ASSERT_TRUE(doc.Save());
        std::vector<uint8_t> saved = ReadBytes(share / "t.ldr");
        EXPECT_EQ(saved[LDR_SELECTED] | saved[LDR_SELECTED + 1] << 8, c.wantStart) << name;
        EXPECT_EQ(saved[LDR_TIMEOUT] | saved[LDR_TIMEOUT + 1] << 8, c.wantSeconds) << name;
    }
}

}  // namespace
