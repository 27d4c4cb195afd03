#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/process.h"
#include "tests/support/test_support.h"

namespace {

std::vector<std::string> Shell(const std::string& script) { return {"/bin/sh", "-c", script}; }

TEST(StartDetached, TellsTheExitCodeARunningProgramOrAFailedStart) {
    EXPECT_EQ(platform::StartDetached(Shell("exit 0"), 5000), 0);
    EXPECT_EQ(platform::StartDetached(Shell("exit 3"), 5000), 3);
    EXPECT_EQ(platform::StartDetached(Shell("sleep 2"), 50), platform::kProcessRunning);
    EXPECT_EQ(platform::StartDetached({"/nonexistent/program"}, 5000), platform::kProcessNotStarted);
    EXPECT_EQ(platform::StartDetached({"menvolt-no-such-program"}), platform::kProcessNotStarted);
}

TEST(StartDetached, RemovesTheFolderOnceTheProgramHasEnded) {
    menvolt_test::TempDir parent;
    const auto folder = parent / "work";
    std::filesystem::create_directories(folder / "inside");
    menvolt_test::WriteText(parent / "release", "");
    // The program waits for the file to go, so the folder must still be
    // there while it runs.
    const std::string wait = "while [ -e '" + (parent / "release").string() + "' ]; do sleep 0.05; done";
    ASSERT_EQ(platform::StartDetached(Shell(wait), 0, folder.string()), platform::kProcessRunning);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(std::filesystem::exists(folder));
    std::filesystem::remove(parent / "release");
    for (int i = 0; i < 100 && std::filesystem::exists(folder); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(RunProcess, ReturnsTheOutputAndExitCodeAndEndsAProgramOutOfTime) {
    std::string output;
    EXPECT_EQ(platform::RunProcess(Shell("echo answer; exit 4"), 5000, &output), 4);
    EXPECT_EQ(output, "answer\n");
    EXPECT_EQ(platform::RunProcess({"/nonexistent/program"}, 5000), 127);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::RunProcess(Shell("sleep 20"), 200), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(platform::FindProgram("sh").empty());
    EXPECT_TRUE(platform::FindProgram("menvolt-no-such-program").empty());
}

}  // namespace
