// The setup file where file permissions, not the program, decide what may be
// read and written. Root reads and writes whatever it likes, so each start
// runs in a child that has become nobody.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "FixedClock.h"
#include "RecordingSink.h"
#include "ScratchFolder.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/SetupData.h"

namespace {

constexpr uid_t kNobody = 65534;
constexpr char kPreviousFile[] =
    "==[ SETUP FILE FOR QUORVANT ]==\r\n\r\n[RS232]\r\nCOMPORT=7\r\nCOMBAUD=9600\r\n";

std::string ReadAll(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

// What one start of the program shows, as the user "nobody": load, keep the
// loaded line as the start-up line, save. The messages come back one a line,
// then the port that the settings hold.
std::string StartAsNobody(const std::string& folder) {
    int results[2];
    if (pipe(results) != 0) return "no pipe";
    const pid_t child = fork();
    if (child == 0) {
        close(results[0]);
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(1);
        const std::string program = folder + "quorvant";
        AppPaths paths(program.c_str(), "quorvant", '/', true);
        FixedClock source;
        ClockText clock(source);
        RecordingSink sink;
        SetupData data;
        char language = 'D';
        LoadSetup(paths, clock, sink, data, language);
        data.startupLineSettings = data.lineSettings;
        SaveSetup(paths, clock, sink, data, language);
        std::string report;
        for (const std::string& message : sink.shown) report += message + "\n";
        report += "port " + std::to_string(data.lineSettings.port);
        const ssize_t written = write(results[1], report.data(), report.size());
        _exit(written == static_cast<ssize_t>(report.size()) ? 0 : 1);
    }
    close(results[1]);
    std::string report;
    char chunk[256];
    for (ssize_t n; (n = read(results[0], chunk, sizeof(chunk))) > 0;) report.append(chunk, n);
    close(results[0]);
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        return "the start failed";
    }
    return report;
}

class SetupFilePermissions : public ::testing::Test {
  protected:
    void SetUp() override {
        if (geteuid() != 0) GTEST_SKIP() << "needs root to start as another user";
        ASSERT_TRUE(folder.Ok());
        std::ofstream(setupPath, std::ios::binary) << kPreviousFile;
    }

    ScratchFolder folder;
    const std::string setupPath = folder.Join("quorvant.ini");
};

// The user's settings are in there: the start says it cannot open the file,
// runs on the defaults and leaves the file exactly as it was.
TEST_F(SetupFilePermissions, AnUnreadableFileIsReportedAndLeftAsItWas) {
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
    std::filesystem::permissions(setupPath, std::filesystem::perms::none);

    EXPECT_EQ(StartAsNobody(folder.Path()), "ERROR: open IniFile\nport 1");

    EXPECT_EQ(ReadAll(setupPath), kPreviousFile);
    EXPECT_EQ(std::filesystem::status(setupPath).permissions(), std::filesystem::perms::none);
    EXPECT_FALSE(std::filesystem::exists(setupPath + ".new"));
}

// No side file can be made beside a file the user may still write: the save
// writes it in place instead of failing at every start.
TEST_F(SetupFilePermissions, AReadOnlyFolderGetsItsWritableFileRewrittenInPlace) {
    std::filesystem::permissions(
        setupPath, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                       std::filesystem::perms::others_read | std::filesystem::perms::others_write);
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);

    EXPECT_EQ(StartAsNobody(folder.Path()), "port 7");

    const std::string saved = ReadAll(setupPath);
    EXPECT_NE(saved.find("COMPORT=7\r\nCOMBAUD=9600\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[BLUETOOTH]"), std::string::npos) << "rewritten whole";
    EXPECT_FALSE(std::filesystem::exists(setupPath + ".new"));
}

}  // namespace
