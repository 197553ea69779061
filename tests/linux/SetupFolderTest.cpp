// Where the Linux program puts its setup folder, its ports/ folder and the
// first folder of its save dialog, on real folders: a copy that runs beside
// its files, and an installation (bin/ beside share/quorvant/).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScratchFolder.h"
#include "SetupFolder.h"
#include "config/AppPaths.h"

namespace {

namespace fs = std::filesystem;

// Sets or clears one variable for a test and puts the old value back.
class ScopedVariable {
  public:
    ScopedVariable(const char* name, const char* value) : name(name) {
        const char* old = std::getenv(name);
        hadValue = old != nullptr;
        if (hadValue) oldValue = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedVariable() {
        if (hadValue) {
            setenv(name, oldValue.c_str(), 1);
        } else {
            unsetenv(name);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

  private:
    const char* name;
    bool hadValue = false;
    std::string oldValue;
};

struct Located {
    std::string setupFolder;
    std::string saveFolder;
};

Located Locate(const std::string& programDirectory) {
    char setup[AppPaths::kPathCapacity];
    char save[AppPaths::kPathCapacity];
    LocateSetupFolder(programDirectory.c_str(), setup, sizeof(setup));
    LocateSaveFolder(programDirectory.c_str(), setup, save, sizeof(save));
    return {setup, save};
}

bool IsRealFolder(const std::string& path) {
    return fs::is_directory(fs::symlink_status(path));
}

TEST(SetupFolder, ACopyKeepsPortsBesideItselfAndSavesThere) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    const ScopedVariable home("HOME", scratch.Join("home").c_str());
    const ScopedVariable xdg("XDG_CONFIG_HOME", scratch.Join("xdg").c_str());
    const std::string program = scratch.Join("copy/");
    fs::create_directory(program);

    const Located located = Locate(program);
    EXPECT_EQ(located.setupFolder, program);
    EXPECT_TRUE(IsRealFolder(program + "ports"));
    // Empty: the core's own rule (the setup folder) stands.
    EXPECT_EQ(located.saveFolder, "");
    EXPECT_FALSE(fs::exists(scratch.Join("xdg")));
}

TEST(SetupFolder, AnInstallationKeepsPortsInTheConfigFolderAndSavesAtHome) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    const std::string bin = scratch.Join("usr/bin/");
    fs::create_directories(bin);
    fs::create_directories(scratch.Join("usr/share/quorvant"));
    const struct {
        const char* xdgConfigHome;  // relative to the scratch folder, or unset
        const char* setupFolder;
    } cases[] = {
        {"xdg", "xdg/quorvant/"},
        {nullptr, "home/.config/quorvant/"},
    };
    for (const auto& c : cases) {
        const ScopedVariable home("HOME", scratch.Join("home").c_str());
        const std::string xdgPath = c.xdgConfigHome ? scratch.Join(c.xdgConfigHome) : "";
        const ScopedVariable xdg("XDG_CONFIG_HOME", c.xdgConfigHome ? xdgPath.c_str() : nullptr);

        const Located located = Locate(bin);
        EXPECT_EQ(located.setupFolder, scratch.Join(c.setupFolder));
        EXPECT_TRUE(IsRealFolder(scratch.Join(c.setupFolder) + "ports")) << c.setupFolder;
        EXPECT_EQ(located.saveFolder, scratch.Join("home/"));
        EXPECT_FALSE(fs::exists(bin + "ports"));
    }
}

// What the user put there stays: a ports link to a folder elsewhere, with
// its entries, is neither replaced nor emptied.
TEST(SetupFolder, AnExistingPortsEntryStaysAsItIs) {
    ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    const ScopedVariable home("HOME", scratch.Join("home").c_str());
    const std::string program = scratch.Join("copy/");
    fs::create_directories(scratch.Join("elsewhere"));
    fs::create_directory(program);
    fs::create_directory_symlink(scratch.Join("elsewhere"), program + "ports");
    fs::create_symlink("/nonexistent/tty", scratch.Join("elsewhere/com1"));

    Locate(program);
    EXPECT_TRUE(fs::is_symlink(program + "ports"));
    EXPECT_TRUE(fs::is_symlink(scratch.Join("elsewhere/com1")));
}

}  // namespace
