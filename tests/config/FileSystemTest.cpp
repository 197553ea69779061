#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "ConfigTestSupport.h"
#include "config/FileSystem.h"

namespace {

using namespace config_test;

// A side file made, written and synced through the seam, then moved over to:
// the way a save replaces the setup file.
bool ReplaceWith(const std::string& side, const std::string& to, const std::string& bytes) {
    FileSystem& files = PlatformFileSystem();
    FileSystem::Refusal why = FileSystem::Refusal::None;
    const FileSystem::Handle file = files.CreateNew(side.c_str(), to.c_str(), why);
    if (file == FileSystem::kNoFile) return false;
    const bool moved = files.Write(file, bytes.data(), bytes.size()) && files.Sync(file) &&
                       files.MoveInto(file, side.c_str(), to.c_str());
    if (!moved) files.Remove(file, side.c_str());
    return files.Close(file) && moved;
}

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
        ASSERT_TRUE(ReplaceWith(side, target, "new\r\n"));
        EXPECT_EQ(ReadBytes(target), "new\r\n");
        EXPECT_FALSE(std::filesystem::exists(side));
        EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    }
}

TEST_F(FileReplaceTest, ARefusedReplaceLeavesWhatStoodThereAndNoSideFile) {
    // A folder stands where the file would go.
    const std::string blocked = folder.Join("blocked");
    std::filesystem::create_directory(blocked);
    EXPECT_FALSE(ReplaceWith(side, blocked, "new\r\n"));
    EXPECT_TRUE(std::filesystem::is_directory(blocked));
    EXPECT_FALSE(std::filesystem::exists(side));
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
        if (!ReplaceWith(side, target, bytes) || ReadBytes(target) != bytes) {
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
