#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/FileSystem.h"
#include "config/SetupData.h"
#include "terminal/LogFile.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

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

// --- what may stand at each name the program writes ---------------------------------

namespace planted {

enum class Kind { Link, DanglingLink, HardLink, Fifo, Folder, Device };

struct Row {
    Kind kind;
    const char* what;
};

constexpr Row kRows[] = {
    {Kind::Link, "link to a file"}, {Kind::DanglingLink, "dangling link"},
    {Kind::HardLink, "hard link"},  {Kind::Fifo, "FIFO"},
    {Kind::Folder, "folder"},       {Kind::Device, "device"},
};

// Makes kind at path; a link leads to victim (or beside it, when dangling).
// False when the platform cannot make such a thing there: the row is left out.
bool Make(Kind kind, const std::string& path, const std::string& victim) {
    std::error_code error;
    switch (kind) {
        case Kind::Link:
            std::filesystem::create_symlink(victim, path, error);
            return !error;
        case Kind::DanglingLink:
            std::filesystem::create_symlink(victim + ".none", path, error);
            return !error;
        case Kind::HardLink:
            std::filesystem::create_hard_link(victim, path, error);
            return !error;
        case Kind::Folder:
            return std::filesystem::create_directory(path, error);
        case Kind::Fifo:
#ifdef _WIN32
            return false;
#else
            return mkfifo(path.c_str(), 0600) == 0;
#endif
        case Kind::Device:
#ifdef _WIN32
            return false;
#else
            // The node of /dev/null, made here: it needs root.
            return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
#endif
    }
    return false;
}

// A FIFO waited on ends the test rather than hanging it.
class Watchdog {
  public:
#ifdef _WIN32
    // Nothing there can wait: Windows makes no FIFOs at a file name.
    Watchdog() {}
    ~Watchdog() {}
#else
    Watchdog() {
        alarm(20);
    }
    ~Watchdog() {
        alarm(0);
    }
#endif
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

std::filesystem::file_type TypeAt(const std::string& path) {
    std::error_code error;
    return std::filesystem::symlink_status(path, error).type();
}

}  // namespace planted

constexpr char kVictimBytes[] = "precious\r\n";
constexpr char kOldSetup[] = "==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n\r\n[RS232]\r\nCOMPORT=7\r\n";

// Each thing at each name the program writes, as the program writes there:
// the setup file and its side file by a start (load and save), the screenshot
// and the log by the seam's replace open. Nothing is written through a link
// (its target keeps its bytes, a dangling one stays dangling), nothing waits
// on a FIFO, and each name takes its error path: the setup file's and the
// save's and log's opens refuse, leaving what stands there as it was. Only a
// stale side file is the program's own name: whatever stands there is taken
// away (never followed) and the save goes on, unless it cannot be taken away
// (a folder).
class PlantedObjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder.Ok());
        ASSERT_TRUE(WriteBytes(victim, kVictimBytes));
    }

    // A start: load, keep the loaded line, save.
    void StartUp() {
        LoadSetup(paths, clock, sink, data, language);
        data.startupLineSettings = data.lineSettings;
        SaveSetup(paths, clock, sink, data, language);
    }

    ScratchFolder folder;
    std::string victim = folder.Join("victim");
    std::string program = folder.Join(kProgramFileName);
    AppPaths paths{program.c_str(), "q", kPathSeparator, kKeepModulePathCase};
    std::string setup = paths.SetupFilePath();
    std::string side = Cat({setup, ".new"});
    FixedClock source;
    ClockText clock{source};
    RecordingSink sink;
    SetupData data;
    char language = 'D';
};

TEST_F(PlantedObjectTest, NothingIsWrittenThroughNothingWaitsEachNameTakesItsErrorPath) {
    using planted::Kind;
    enum class Name { Setup, Side, Save, Log };
    const struct {
        Name name;
        const char* what;
    } columns[] = {{Name::Setup, "setup file"},
                   {Name::Side, "side file"},
                   {Name::Save, "save target"},
                   {Name::Log, "log"}};
    int made = 0;
    for (const auto& row : planted::kRows) {
        for (const auto& column : columns) {
            SCOPED_TRACE(Cat({row.what, " at the ", column.what}));
            std::filesystem::remove_all(setup);
            std::filesystem::remove_all(side);
            const std::string target = column.name == Name::Side    ? side
                                       : column.name == Name::Setup ? setup
                                                                    : folder.Join("chosen.txt");
            std::filesystem::remove_all(target);
            if (column.name == Name::Side) {
                ASSERT_TRUE(WriteBytes(setup, kOldSetup));
            }
            if (!planted::Make(row.kind, target, victim)) continue;
            ++made;
            const auto typeBefore = planted::TypeAt(target);
            sink.shown.clear();
            data = SetupData{};

            bool opened = false;
            {
                planted::Watchdog watchdog;
                if (column.name == Name::Setup || column.name == Name::Side) {
                    StartUp();
                } else if (column.name == Name::Save) {
                    FileSystem::Refusal why = FileSystem::Refusal::None;
                    FileSystem& files = PlatformFileSystem();
                    const FileSystem::Handle file = files.OpenToReplace(target.c_str(), why);
                    opened = file != FileSystem::kNoFile;
                    if (opened) files.Close(file);
                } else {
                    LogFile log;
                    opened = log.Open(target.c_str(), TextForm::Utf8Lf);
                    if (opened) log.Close("");
                }
            }

            EXPECT_EQ(ReadBytes(victim), kVictimBytes);
            EXPECT_FALSE(std::filesystem::exists(Cat({victim, ".none"})));
            EXPECT_FALSE(opened);
            const bool takenAway = (column.name == Name::Side && row.kind != Kind::Folder) ||
                                   (column.name == Name::Setup && row.kind == Kind::HardLink);
            if (takenAway) {
                // The name holds the program's own file now, which has one name.
                EXPECT_EQ(planted::TypeAt(setup), std::filesystem::file_type::regular);
                EXPECT_EQ(ReadBytes(setup).rfind("==[ SETUP FILE FOR ", 0), 0u);
                EXPECT_EQ(std::filesystem::hard_link_count(setup), 1u);
                EXPECT_EQ(planted::TypeAt(side), std::filesystem::file_type::not_found);
                EXPECT_TRUE(sink.shown.empty());
                continue;
            }
            EXPECT_EQ(planted::TypeAt(target), typeBefore);
            if (column.name == Name::Setup) {
                EXPECT_GE(sink.Count(kCreateFailed), 1);
                EXPECT_EQ(planted::TypeAt(side), std::filesystem::file_type::not_found);
            }
            if (column.name == Name::Side) {
                EXPECT_EQ(sink.Count(kCreateFailed), 2);
                EXPECT_EQ(ReadBytes(setup), kOldSetup);
            }
        }
    }
    // Links and folders can be made everywhere the tests run.
    RecordProperty("cases_made", made);
    EXPECT_GE(made, 8);
}

// A device by its name (Linux's null device, Windows' NUL) is no file to read
// or to write, even when nothing about the name looks like a link.
TEST(PlantedDevice, ADeviceNameIsRefusedForReadingAndWriting) {
#ifdef _WIN32
    const char* device = "NUL";
#else
    const char* device = "/dev/null";
#endif
    FileSystem& files = PlatformFileSystem();
    FileSystem::Refusal why = FileSystem::Refusal::None;
    EXPECT_EQ(files.OpenToRead(device, why), FileSystem::kNoFile);
    EXPECT_EQ(files.OpenToReplace(device, why), FileSystem::kNoFile);
    EXPECT_EQ(why, FileSystem::Refusal::NotPlain);
    EXPECT_EQ(files.OpenInPlace(device, why), FileSystem::kNoFile);
}

// Someone renames a FIFO or a link over the side file between the save's
// steps. The seam holds the file it made, so neither is synced, waited on or
// moved into the setup file's place: the save fails as a whole and the setup
// file keeps its settings. (Windows does not let a file held this way be
// renamed over; there the save goes through.)
class StagingFileSystem final : public FileSystem {
  public:
    enum class Step { AfterCreate, BeforeSync, BeforeMove };

    Handle OpenToRead(const char* path, Refusal& why) override {
        return real.OpenToRead(path, why);
    }
    Handle CreateNew(const char* path, const char* modeOf, Refusal& why) override {
        const Handle file = real.CreateNew(path, modeOf, why);
        if (at == Step::AfterCreate) Stage();
        return file;
    }
    Handle OpenToReplace(const char* path, Refusal& why) override {
        return real.OpenToReplace(path, why);
    }
    Handle OpenInPlace(const char* path, Refusal& why) override {
        return real.OpenInPlace(path, why);
    }
    bool ReadAt(Handle file, uint64_t offset, char* out, size_t capacity, size_t& count) override {
        return real.ReadAt(file, offset, out, capacity, count);
    }
    bool Write(Handle file, const char* bytes, size_t length) override {
        return real.Write(file, bytes, length);
    }
    bool WriteAt(Handle file, uint64_t offset, const char* bytes, size_t length) override {
        return real.WriteAt(file, offset, bytes, length);
    }
    bool Truncate(Handle file, uint64_t length) override { return real.Truncate(file, length); }
    bool Size(Handle file, uint64_t& length) override { return real.Size(file, length); }
    bool Sync(Handle file) override {
        if (at == Step::BeforeSync) Stage();
        return real.Sync(file);
    }
    bool Close(Handle file) override { return real.Close(file); }
    bool MoveInto(Handle file, const char* from, const char* to) override {
        if (at == Step::BeforeMove) Stage();
        return real.MoveInto(file, from, to);
    }
    bool Remove(Handle file, const char* path) override { return real.Remove(file, path); }
    bool MoveAside(const char* from, const char* to) override { return real.MoveAside(from, to); }

    FileSystem& real = PlatformFileSystem();
    Step at = Step::AfterCreate;
    // Makes the thing under a name of its own and renames it over the side
    // file; staged tells whether the system let it.
    std::string made;
    std::string over;
    bool staged = false;

  private:
    void Stage() {
        std::error_code error;
        std::filesystem::rename(made, over, error);
        staged = !error;
    }
};

TEST_F(PlantedObjectTest, AThingRenamedOverTheSideFileBetweenItsStepsIsNeverPutInPlace) {
    using planted::Kind;
    using Step = StagingFileSystem::Step;
    StagingFileSystem files;
    files.made = folder.Join("planted");
    files.over = side;
    int staged = 0;
    for (const Kind kind : {Kind::Fifo, Kind::Link}) {
        for (const Step step : {Step::AfterCreate, Step::BeforeSync, Step::BeforeMove}) {
            SCOPED_TRACE(Cat({kind == Kind::Fifo ? "FIFO" : "link", " at step ",
                              std::to_string(static_cast<int>(step))}));
            std::filesystem::remove_all(side);
            std::filesystem::remove_all(files.made);
            ASSERT_TRUE(WriteBytes(setup, kOldSetup));
            if (!planted::Make(kind, files.made, victim)) continue;
            files.at = step;
            files.staged = false;
            sink.shown.clear();

            bool saved = false;
            {
                planted::Watchdog watchdog;
                saved = SaveSetup(paths, clock, sink, data, language, files);
            }

            EXPECT_EQ(ReadBytes(victim), kVictimBytes);
            EXPECT_EQ(planted::TypeAt(setup), std::filesystem::file_type::regular);
            if (files.staged) {
                ++staged;
                EXPECT_FALSE(saved);
                EXPECT_EQ(sink.shown, std::vector<std::string>{kCloseFailed});
                EXPECT_EQ(ReadBytes(setup), kOldSetup);
            } else {
                EXPECT_TRUE(saved);
                EXPECT_EQ(ReadBytes(setup).rfind("==[ SETUP FILE FOR ", 0), 0u);
                EXPECT_NE(ReadBytes(setup), kOldSetup);
            }
        }
    }
    RecordProperty("renames_staged", staged);
#ifndef _WIN32
    EXPECT_EQ(staged, 6);
#endif
}

}  // namespace
