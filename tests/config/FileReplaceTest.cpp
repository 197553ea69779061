#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "ConfigTestSupport.h"
#include "config/FileReplace.h"

namespace {

using namespace config_test;

class FileReplaceTest : public ::testing::Test {
  protected:
    ScratchFolder folder;
    std::string target = folder.Join("quorvant.ini");
    std::string side = folder.Join("quorvant.ini.new");
};

TEST_F(FileReplaceTest, TheNewFileTakesTheNameAndIsTheOnlyOneLeft) {
    for (const bool targetExists : {false, true}) {
        SCOPED_TRACE(targetExists ? "over an old file" : "no old file");
        std::filesystem::remove(target);
        if (targetExists) {
            ASSERT_TRUE(WriteBytes(target, "old and longer\r\n"));
        }
        ASSERT_TRUE(WriteBytes(side, "new\r\n"));

        ASSERT_TRUE(ReplaceFileInOneStep(side.c_str(), target.c_str()));
        EXPECT_EQ(ReadBytes(target), "new\r\n");
        EXPECT_FALSE(std::filesystem::exists(side));
        EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    }
}

TEST_F(FileReplaceTest, ARefusedReplaceLeavesBothAsTheyWere) {
    // Nothing to move.
    ASSERT_TRUE(WriteBytes(target, "old\r\n"));
    EXPECT_FALSE(ReplaceFileInOneStep(side.c_str(), target.c_str()));
    EXPECT_EQ(ReadBytes(target), "old\r\n");

    // A folder stands where the file would go.
    const std::string blocked = folder.Join("blocked");
    std::filesystem::create_directory(blocked);
    ASSERT_TRUE(WriteBytes(side, "new\r\n"));
    EXPECT_FALSE(ReplaceFileInOneStep(side.c_str(), blocked.c_str()));
    EXPECT_EQ(ReadBytes(side), "new\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
}

// Deleting the old file and then renaming the new one passes through a
// moment without any file; a watcher that looks often enough sees it.
TEST_F(FileReplaceTest, TheNameNeverLeadsNowhereWhileItIsReplaced) {
    constexpr int kRounds = 200;
    ASSERT_TRUE(WriteBytes(target, "round -1\r\n"));
    std::atomic<bool> running{true};
    std::atomic<int> missing{0};
    std::thread watcher([&] {
        while (running) {
            std::error_code error;
            if (!std::filesystem::exists(target, error) && !error) ++missing;
        }
    });
    int failed = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string bytes = "round " + std::to_string(round) + "\r\n";
        if (!WriteBytes(side, bytes) || !ReplaceFileInOneStep(side.c_str(), target.c_str()) ||
            ReadBytes(target) != bytes) {
            ++failed;
        }
    }
    running = false;
    watcher.join();
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
}

}  // namespace
