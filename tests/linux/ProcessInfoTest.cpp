#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/ProcessInfo.h"

namespace {

// Runs the probe with the given arguments (argv[0] included) and returns its output.
std::string RunProbe(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0) return "(no pipe)";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, QUORVANT_PROBE_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string output;
    char block[512];
    ssize_t n;
    while ((n = read(fds[0], block, sizeof(block))) > 0) output.append(block, size_t(n));
    close(fds[0]);
    if (rc != 0) return "(spawn failed)";
    int status = 0;
    waitpid(pid, &status, 0);
    return output;
}

TEST(ProcessInfo, ReportsTheExecutableAndItsArgumentsAsOneLine) {
    const std::string probe = QUORVANT_PROBE_PATH;
    const std::string output = RunProbe({probe, "COM3", "two words", "", "Upper"});
    EXPECT_EQ(output, std::filesystem::canonical(probe).string() + "\n" + probe +
                          " COM3 \"two words\" \"\" Upper\n");
}

TEST(ProcessInfo, CutsAtTheCapacityGiven) {
    char full[4096];
    ASSERT_TRUE(ReadCommandLine(full, sizeof(full)));
    char cut[8];
    std::memset(cut, 'x', sizeof(cut));
    ASSERT_TRUE(ReadCommandLine(cut, sizeof(cut)));
    EXPECT_EQ(std::string(cut), std::string(full).substr(0, 7));

    ASSERT_TRUE(ReadModulePath(full, sizeof(full)));
    ASSERT_TRUE(ReadModulePath(cut, sizeof(cut)));
    EXPECT_EQ(std::string(cut), std::string(full).substr(0, 7));

    EXPECT_FALSE(ReadCommandLine(cut, 0));
    EXPECT_FALSE(ReadModulePath(cut, 0));
}

}  // namespace
