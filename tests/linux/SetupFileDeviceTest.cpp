#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FixedClock.h"
#include "RecordingSink.h"
#include "ScratchFolder.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/SetupData.h"

namespace {

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A full disk is only noticed when the buffered lines reach it at close; the
// user must hear of it rather than be told the settings were saved, and the
// setup file written before must survive the failed save whole.
TEST(SetupFile, FullDiskIsReportedAtCloseAndKeepsThePreviousFile) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    const std::filesystem::path folder = scratch.Path();
    const std::string previous =
        "==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n\r\n[RS232]\r\nCOMPORT=7\r\n";
    std::ofstream(folder / "quorvant.ini", std::ios::binary) << previous;
    // The save writes beside the setup file first; that file is the full disk.
    std::filesystem::create_symlink("/dev/full", folder / "quorvant.ini.new");
    const std::string program = (folder / "quorvant.exe").string();
    AppPaths paths(program.c_str(), "quorvant", '/', true);
    FixedClock source;
    ClockText clock(source);
    RecordingSink sink;
    SetupData data;
    char language = 'D';

    EXPECT_FALSE(SaveSetup(paths, clock, sink, data, language));
    EXPECT_EQ(sink.shown, std::vector<std::string>{"ERROR: close IniFile"});
    EXPECT_EQ(ReadAll(folder / "quorvant.ini"), previous);
    EXPECT_FALSE(
        std::filesystem::exists(std::filesystem::symlink_status(folder / "quorvant.ini.new")));
}

}  // namespace
