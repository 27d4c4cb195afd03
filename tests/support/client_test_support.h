// Shared set-up for the client bench tests: a machine with a boot ROM that
// answers like the one on the test network, and the loader files to run.
#pragma once

#include <gtest/gtest.h>

#include "loader/layout.h"
#include "tests/support/loader_maker.h"
#include "tests/support/real_mode_pc/ended.h"
#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

using namespace menvolt_test;

constexpr uint32_t kServer = 0x0202000A;  // 10.0.2.2 as the reply carries it
constexpr uint32_t kLoaderBase = 0xC000;

inline std::string ImagePath(const std::string& name) { return std::string(kServerPath) + name; }

class ClientTest : public ::testing::Test {
protected:
    ClientTest() { m.cachedReply = BootpReply(kServer); }
    Stop Boot(const std::vector<uint8_t>& file, uint16_t segment = 0x2000) {
        m_file = file;
        m.Load(file, segment);
        return m.Run();
    }
    // Where the running loader keeps a file offset.
    static uint32_t At(uint32_t offset) { return kLoaderBase + offset; }
    uint32_t WorkBuffer() const { return kLoaderBase + ((m_file.size() + 15) & ~size_t(15)); }
    std::vector<uint16_t> Opcodes() const {
        std::vector<uint16_t> out;
        for (const auto& c : m.pxeCalls) out.push_back(c.opcode);
        return out;
    }
    void ExpectCallerRegistersBack(const Registers& r) {
        const Registers& c = m.callerRegisters;
        EXPECT_EQ(r.bx, c.bx);
        EXPECT_EQ(r.cx, c.cx);
        EXPECT_EQ(r.dx, c.dx);
        EXPECT_EQ(r.si, c.si);
        EXPECT_EQ(r.di, c.di);
        EXPECT_EQ(r.bp, c.bp);
        EXPECT_EQ(r.ds, c.ds);
        EXPECT_EQ(r.es, c.es);
    }

    RealModePc m;
    std::vector<uint8_t> m_file;
};

}  // namespace menvolt_test
