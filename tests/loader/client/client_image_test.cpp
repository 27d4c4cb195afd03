// The transfer and the three ways an image starts: a small boot program at
// 0000:7C00, start-up code carried by the image, and (in the RAM disk
// tests) a diskette image.
#include "tests/support/client_test_support.h"

#include <cstring>

using namespace menvolt_test;

namespace {

std::vector<uint8_t> OneItem(const std::string& image = "a.img") { return MakeLoader({{image, "Only item", ""}}); }

TEST_F(ClientTest, SingleItemTransfersWithoutMenuAndRunsASmallProgram) {
    auto program = BootProgram(1000);
    m.tftpFiles[ImagePath("a.img")] = program;
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::BootSector));
    EXPECT_EQ(m.videoModeSets, 0);
    EXPECT_EQ(m.RowText(0).substr(0, 25), "Transferring image file..");
    EXPECT_EQ(m.cursorRow, 1);
    EXPECT_EQ(m.cursorColumn, 0);
    EXPECT_EQ(m.Bytes(0x7C00, program.size()), program);
    ExpectCallerRegistersBack(m.atStop);
    EXPECT_EQ(m.atStop.ax, m.callerRegisters.ax);
    EXPECT_EQ(m.atStop.sp, place::kCallerSp - 4);  // as it was at entry
    // The PXE stack stays loaded for the program.
    std::vector<uint16_t> expected = {0x0071, 0x0023};
    EXPECT_EQ(Opcodes(), expected);
    EXPECT_EQ(m.tftpServers.at(0), kServer);
}

TEST_F(ClientTest, TftpParameterBlockIsFilledAsTheBootRomExpects) {
    m.tftpFiles[ImagePath("a.img")] = BootProgram(600);
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::BootSector));
    const uint32_t block = At(layout::LDR_TFTP_PARAMS);
    EXPECT_EQ(m.Dword(block + 130), 600u);  // BufferSize, as returned
    EXPECT_EQ(m.Dword(block + 134), 0x110000u);
    EXPECT_EQ(m.Dword(block + 138), kServer);
    for (uint32_t o = 142; o < 158; ++o) EXPECT_EQ(m.Byte(block + o), 0) << o;
}

// The name field holds 128 bytes: 127 characters and the NUL.
TEST_F(ClientTest, LongFileNamesAreCutTo127Characters) {
    std::string path = std::string(100, 'p') + "\\";
    std::string image = std::string(40, 'n') + ".img";
    ASSERT_TRUE(Ended(Boot(MakeLoader({{image, "Long", ""}}, path)), Stop::Halted));
    ASSERT_EQ(m.tftpNames.size(), 1u);
    EXPECT_EQ(m.tftpNames[0], (path + image).substr(0, 127));
    const uint32_t block = At(layout::LDR_TFTP_PARAMS);
    EXPECT_EQ(m.Byte(block + 2 + 127), 0);
    EXPECT_EQ(m.Dword(block + 130), 0x1600000u);  // the field behind is whole
}

TEST_F(ClientTest, FailedTransferOfTheOnlyItemHalts) {
    for (bool carry : {false, true}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.carryUntouched = !carry;  // failure shown by AX only, or by carry as well
        fresh.Load(OneItem());
        ASSERT_TRUE(Ended(fresh.Run(), Stop::Halted));
        EXPECT_EQ(fresh.written, "Transferring image file..\r\nError: TFTP failed transferring image file.");
        EXPECT_EQ(fresh.RowText(1).substr(0, 43), "Error: TFTP failed transferring image file.");
    }
}

// A program just under 32 KB reaches over the loader at C000h; it must
// still arrive whole.
TEST_F(ClientTest, ProgramOf32767BytesArrivesIntact) {
    auto program = BootProgram(32767);
    m.tftpFiles[ImagePath("a.img")] = program;
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::BootSector));
    EXPECT_EQ(m.Bytes(0x7C00, program.size()), program);
    ExpectCallerRegistersBack(m.atStop);
    EXPECT_EQ(m.Dword(0x13 * 4), (uint32_t(place::kBiosSeg) << 16) | (place::kVectorBase + 4 * 0x13));
}

TEST_F(ClientTest, FileOf32768BytesBecomesTheRamDisk) {
    m.tftpFiles[ImagePath("a.img")] = BootProgram(32768);
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::BootSector));
    EXPECT_NE(m.Dword(0x13 * 4) >> 16, place::kBiosSeg);
    EXPECT_EQ(m.atStop.dx & 0xFF, 0);
}

// ---- Images with their own start-up code ----

std::vector<uint8_t> ExtxImage(uint16_t codeBytes, uint16_t dataKb, size_t extra = 0) {
    std::vector<uint8_t> image(codeBytes + dataKb * 1024u + extra);
    for (size_t i = 0; i < image.size(); ++i) image[i] = uint8_t(i * 13 + i / 251);
    image[0] = 0xF4;
    image[0x0A] = uint8_t(codeBytes);
    image[0x0B] = uint8_t(codeBytes >> 8);
    image[0x0C] = uint8_t(dataKb);
    image[0x0D] = uint8_t(dataKb >> 8);
    std::memcpy(&image[0x0E], "ExTx", 4);
    return image;
}

TEST_F(ClientTest, ExtxImageRunsItsStartUpCode) {
    auto image = ExtxImage(0x0601, 72, 10);
    m.tftpFiles[ImagePath("a.img")] = image;
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::ExtxCode));
    EXPECT_EQ(m.Bytes(0x10000, 0x0601), std::vector<uint8_t>(image.begin(), image.begin() + 0x0601));
    EXPECT_EQ(m.Bytes(0x110000, 72 * 1024),
              std::vector<uint8_t>(image.begin() + 0x0601, image.begin() + 0x0601 + 72 * 1024));
    EXPECT_EQ(m.Byte(WorkBuffer() + 4), 'p');
    EXPECT_EQ(m.Byte(WorkBuffer() + 5), 'c');
    ExpectCallerRegistersBack(m.atStop);
    EXPECT_EQ(m.atStop.sp, place::kCallerSp - 4);
    // Data moves in pieces of at most 32 KB, each going on where the last stopped.
    uint32_t next = 0x110000 + 0x0601, to = 0x110000, moved = 0;
    for (const auto& move : m.blockMoves) {
        if (move.destination < 0x110000) continue;
        EXPECT_LE(move.bytes, 0x8000u);
        EXPECT_EQ(move.source, next);
        EXPECT_EQ(move.destination, to);
        next += move.bytes;
        to += move.bytes;
        moved += move.bytes;
    }
    EXPECT_EQ(moved, 72u * 1024);
    std::vector<uint16_t> expected = {0x0071, 0x0023};
    EXPECT_EQ(Opcodes(), expected);
}

// 17 MB of data: the later pieces come from above 16 MB, which only the
// descriptors' high base byte can reach.
TEST_F(ClientTest, ExtxDataAbove16MegabytesMovesWhole) {
    const uint16_t kb = 17 * 1024;
    auto image = ExtxImage(0x0200, kb);
    m.tftpFiles[ImagePath("a.img")] = image;
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::ExtxCode));
    const size_t tail = 0x10000;
    const size_t data = size_t(kb) * 1024;
    EXPECT_EQ(m.Bytes(0x110000 + data - tail, tail),
              std::vector<uint8_t>(image.begin() + 0x0200 + data - tail, image.begin() + 0x0200 + data));
    EXPECT_GT(m.blockMoves.back().source, 0x1000000u);
}

// N = FFFFh rounds up to 64 KB of code, one byte more than a block move's
// word count can hold; FFFEh is the largest even size. Both must arrive
// whole, in moves that each copy something.
TEST_F(ClientTest, ExtxCodeOfNearly64KilobytesMovesWhole) {
    for (uint16_t code : {uint16_t(0xFFFF), uint16_t(0xFFFE)}) {
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        auto image = ExtxImage(code, 2, 1);
        fresh.tftpFiles[ImagePath("a.img")] = image;
        fresh.Load(OneItem());
        ASSERT_TRUE(Ended(fresh.Run(), Stop::ExtxCode)) << code;
        EXPECT_EQ(fresh.Bytes(0x10000, code), std::vector<uint8_t>(image.begin(), image.begin() + code)) << code;
        EXPECT_EQ(fresh.Bytes(0x110000, 2048), std::vector<uint8_t>(image.begin() + code, image.begin() + code + 2048))
            << code;
        for (const auto& move : fresh.blockMoves) {
            EXPECT_GT(move.bytes, 0u) << code;
            EXPECT_LE(move.bytes, 0x8000u) << code;
        }
    }
}

TEST_F(ClientTest, ExtxImageShorterThanItsHeaderSaysIsRefused) {
    auto image = ExtxImage(0x0400, 64);
    image.resize(image.size() - 2);
    m.tftpFiles[ImagePath("a.img")] = image;
    ASSERT_TRUE(Ended(Boot(OneItem()), Stop::Halted));
    EXPECT_NE(m.written.find("Error: Extended memory copy failed!"), std::string::npos);
    EXPECT_NE(m.Byte(0x10000 + 0x200), image[0x200]);  // nothing moved
}

TEST_F(ClientTest, FailedBlockMovesAreReported) {
    for (int failing : {0, 1, 3}) {  // the first look, the code, a data piece
        RealModePc fresh;
        fresh.cachedReply = BootpReply(kServer);
        fresh.tftpFiles[ImagePath("a.img")] = ExtxImage(0x0400, 80);
        fresh.failBlockMoveAt = failing;
        fresh.Load(OneItem());
        ASSERT_TRUE(Ended(fresh.Run(), Stop::Halted)) << failing;
        EXPECT_EQ(fresh.written, "Transferring image file..\r\nError: Extended memory copy failed!") << failing;
    }
}

}  // namespace
