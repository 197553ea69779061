#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "ConfigTestSupport.h"
#include "config/AppPaths.h"
#include "config/IniFile.h"

namespace {

using namespace config_test;

class SetupFileSharingTest : public ::testing::Test {
  protected:
    bool Save(const char* header) {
        IniFile ini(paths, sink);
        if (!ini.CreateForWriting(header)) return false;
        ini.WriteSection("S");
        ini.WriteUnsigned("K", 2);
        return ini.Close();
    }

    ScratchFolder folder;
    AppPaths paths{folder.Join("quorvant.exe").c_str(), "x", kPathSeparator, kKeepModulePathCase};
    std::string setupPath = paths.SetupFilePath();
    RecordingSink sink;
};

// An editor or a virus scanner may hold the setup file open without letting
// it be replaced. The save then fails as a whole: the file keeps what it held,
// and the half of the save that was written does not stay behind.
TEST_F(SetupFileSharingTest, AFileHeldAgainstReplacementKeepsItsContent) {
    ASSERT_TRUE(WriteBytes(setupPath, "OLD\r\n"));
    const HANDLE held =
        CreateFileA(setupPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    EXPECT_FALSE(Save("NEW\r\n"));
    EXPECT_EQ(sink.shown, std::vector<std::string>{kCloseFailed});
    CloseHandle(held);

    EXPECT_EQ(ReadBytes(setupPath), "OLD\r\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);

    // Once the file is let go, the next save replaces it.
    sink.shown.clear();
    EXPECT_TRUE(Save("NEW\r\n"));
    EXPECT_EQ(ReadBytes(setupPath), "NEW\r\n\r\n[S]\r\nK=2\r\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    EXPECT_TRUE(sink.shown.empty());
}

// A save that ended half way leaves its side file behind. The next save must
// start a fresh one rather than write into what is there; one that another
// program holds open cannot be taken away, and then the save fails as a whole.
TEST_F(SetupFileSharingTest, AStaleSideFileIsReplacedUnlessItIsHeld) {
    const std::string side = Cat({setupPath, ".new"});
    ASSERT_TRUE(WriteBytes(setupPath, "OLD\r\n"));
    ASSERT_TRUE(WriteBytes(side, "left behind by a save that never ended\r\n"));
    SetFileAttributesA(side.c_str(), FILE_ATTRIBUTE_HIDDEN);

    EXPECT_TRUE(Save("NEW\r\n"));
    EXPECT_EQ(ReadBytes(setupPath), "NEW\r\n\r\n[S]\r\nK=2\r\n");
    EXPECT_EQ(EntriesIn(folder.Path()), 1u);
    EXPECT_TRUE(sink.shown.empty());

    ASSERT_TRUE(WriteBytes(side, "held\r\n"));
    const HANDLE held = CreateFileA(side.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Save("NEWER\r\n"));
    CloseHandle(held);
    EXPECT_EQ(sink.shown, std::vector<std::string>{kCreateFailed});
    EXPECT_EQ(ReadBytes(setupPath), "NEW\r\n\r\n[S]\r\nK=2\r\n");
    EXPECT_EQ(ReadBytes(side), "held\r\n");
}

}  // namespace
