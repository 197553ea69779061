// The setup file among the things a Linux folder can hold besides files:
// links, FIFOs, devices, a disk that fills up.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
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

namespace fs = std::filesystem;

constexpr char kPrevious[] = "==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n\r\n[RS232]\r\nCOMPORT=7\r\n";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SetupFileDeviceTest : public ::testing::Test {
  protected:
    // Load, keep the loaded line, save: what a start does.
    void StartUp() {
        LoadSetup(paths, clock, sink, data, language);
        data.startupLineSettings = data.lineSettings;
        SaveSetup(paths, clock, sink, data, language);
    }

    ScratchFolder scratch;
    fs::path folder = scratch.Path();
    fs::path setup = folder / "quorvant.ini";
    fs::path side = folder / "quorvant.ini.new";
    std::string program = (folder / "quorvant.exe").string();
    AppPaths paths{program.c_str(), "quorvant", '/', true};
    FixedClock source;
    ClockText clock{source};
    RecordingSink sink;
    SetupData data;
    char language = 'D';
};

// A full disk is only noticed when the buffered lines reach it at close; the
// user must hear of it rather than be told the settings were saved, and the
// setup file written before must survive the failed save whole.
TEST_F(SetupFileDeviceTest, FullDiskIsReportedAtCloseAndKeepsThePreviousFile) {
    std::ofstream(setup, std::ios::binary) << kPrevious;
    // A file size limit fails the writes the way a full disk does.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 64;
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    const bool savedOk = SaveSetup(paths, clock, sink, data, language);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(savedOk);
    EXPECT_EQ(sink.shown, std::vector<std::string>{"ERROR: close IniFile"});
    EXPECT_EQ(ReadAll(setup), kPrevious);
    EXPECT_FALSE(fs::exists(fs::symlink_status(side)));
}

// Whatever stands at the side file's name (a link planted there by someone
// else, a FIFO) is taken away, never written through or waited on; the link's
// target keeps its bytes.
TEST_F(SetupFileDeviceTest, WhatStandsAtTheSideFileIsReplacedNeverFollowed) {
    const fs::path victim = folder / "victim";
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        fs::path target;  // empty: a FIFO at the name itself
    } cases[] = {{"link to a file", victim},
                 {"dangling link", folder / "nothing"},
                 {"link to a FIFO", fifo},
                 {"FIFO", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(victim, std::ios::binary) << "precious";
        std::ofstream(setup, std::ios::binary) << kPrevious;
        if (c.target.empty()) {
            ASSERT_EQ(mkfifo(side.c_str(), 0600), 0);
        } else {
            fs::create_symlink(c.target, side);
        }
        alarm(20);  // a wait on a FIFO ends the test instead of hanging it
        EXPECT_TRUE(SaveSetup(paths, clock, sink, data, language));
        alarm(0);
        EXPECT_EQ(ReadAll(victim), "precious");
        EXPECT_FALSE(fs::exists(folder / "nothing"));
        EXPECT_EQ(ReadAll(setup).rfind("==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n", 0), 0u);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(setup)));
        EXPECT_FALSE(fs::exists(fs::symlink_status(side)));
    }
    EXPECT_TRUE(sink.shown.empty());
}

// A FIFO or a device in the setup file's place is a file that cannot be
// opened: the start says so, goes on with what it holds, and leaves the thing
// there as it was.
TEST_F(SetupFileDeviceTest, AFifoOrDeviceAsTheSetupFileIsReportedNotWaitedOn) {
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        const char* what;
        fs::path target;  // empty: a FIFO at the name itself
    } cases[] = {{"FIFO", {}}, {"link to a FIFO", fifo}, {"link to a device", "/dev/zero"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(setup);
        sink.shown.clear();
        if (c.target.empty()) {
            ASSERT_EQ(mkfifo(setup.c_str(), 0600), 0);
        } else {
            fs::create_symlink(c.target, setup);
        }
        data = SetupData{};
        data.lineSettings.port = 4;

        alarm(20);
        StartUp();
        alarm(0);

        // The load's own save fails (create shown by the file and by the
        // save), then the load gives up; the start-up save fails the same way.
        EXPECT_EQ(sink.Count("ERROR: create IniFile"), 4);
        EXPECT_EQ(sink.Count("ERROR: open IniFile"), 1);
        EXPECT_EQ(sink.shown.size(), 5u);
        EXPECT_EQ(data.lineSettings.port, 4);
        EXPECT_EQ(fs::symlink_status(setup).type(),
                  c.target.empty() ? fs::file_type::fifo : fs::file_type::symlink);
        EXPECT_FALSE(fs::exists(fs::symlink_status(side)));
    }
}

}  // namespace
