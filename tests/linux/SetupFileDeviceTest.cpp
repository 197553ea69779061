#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
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

// A full disk is only noticed when the buffered lines reach it at close; the
// user must hear of it rather than be told the settings were saved.
TEST(SetupFile, FullDiskIsReportedAtClose) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("quorvant-full-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directory(folder);
    std::filesystem::create_symlink("/dev/full", folder / "quorvant.ini");
    const std::string program = (folder / "quorvant.exe").string();
    AppPaths paths(program.c_str(), "quorvant", '/', true);
    Clock source;
    ClockText clock(source);
    CountingSink sink;
    SetupData data;
    char language = 'D';

    EXPECT_EQ(SaveSetup(paths, clock, sink, data, language), 0);
    EXPECT_EQ(sink.shown, std::vector<std::string>{"ERROR: close IniFile"});
    std::filesystem::remove_all(folder);
}

}  // namespace
