#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/MessageSink.h"
#include "config/SetupData.h"
#include "config/TimeSource.h"

namespace {

struct CountingSink : MessageSink {
    void ShowMessage(const char* text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

struct Clock : TimeSource {
    LocalTime Now() override { return {}; }
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A full disk is only noticed when the buffered lines reach it at close; the
// user must hear of it rather than be told the settings were saved, and the
// setup file written before must survive the failed save whole.
TEST(SetupFile, FullDiskIsReportedAtCloseAndKeepsThePreviousFile) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("quorvant-full-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    const std::string previous =
        "==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n\r\n[RS232]\r\nCOMPORT=7\r\n";
    std::ofstream(folder / "quorvant.ini", std::ios::binary) << previous;
    // The save writes beside the setup file first; that file is the full disk.
    std::filesystem::create_symlink("/dev/full", folder / "quorvant.ini.new");
    const std::string program = (folder / "quorvant.exe").string();
    AppPaths paths(program.c_str(), "quorvant", '/', true);
    Clock source;
    ClockText clock(source);
    CountingSink sink;
    SetupData data;
    char language = 'D';

    EXPECT_EQ(SaveSetup(paths, clock, sink, data, language), 0);
    EXPECT_EQ(sink.shown, std::vector<std::string>{"ERROR: close IniFile"});
    EXPECT_EQ(ReadAll(folder / "quorvant.ini"), previous);
    EXPECT_FALSE(
        std::filesystem::exists(std::filesystem::symlink_status(folder / "quorvant.ini.new")));
    std::filesystem::remove_all(folder);
}

}  // namespace
