#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "ConfigTestSupport.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "config/SetupData.h"

namespace {

using namespace std::string_literals;
using namespace config_test;

// What the main window does when it starts: defaults (as constructed), load, keep
// the loaded line settings as the start-up ones, write the file anew.
void StartUp(AppPaths& paths, ClockText& clock, MessageSink& sink, SetupData& data,
             char& language) {
    LoadSetup(paths, clock, sink, data, language);
    data.startupLineSettings = data.lineSettings;
    SaveSetup(paths, clock, sink, data, language);
}

class SetupStoreTest : public ::testing::Test {
  protected:
    std::string ProgramPath() const { return folder.Join("quorvant.exe"); }
    std::string CommandLine() const { return Cat({"\"", ProgramPath(), "\""}); }
    std::string SetupFile() const { return ReadBytes(paths.SetupFilePath()); }

    ScratchFolder folder;
    AppPaths paths{ProgramPath().c_str(), CommandLine().c_str(), kPathSeparator,
                   kKeepModulePathCase};
    FixedClock source{LocalTimeAt(2026, 12, 6, 6, 10, 0)};
    ClockText clock{source};
    RecordingSink sink;
    SetupData data;
    char language = 0;
};

TEST_F(SetupStoreTest, FirstStartWritesTheDefaultFileByteForByte) {
    // A zero-byte file is no file at all.
    for (const bool emptyFileFirst : {false, true}) {
        SCOPED_TRACE(emptyFileFirst ? "zero-byte file" : "no file");
        std::filesystem::remove(paths.SetupFilePath());
        if (emptyFileFirst) {
            ASSERT_TRUE(WriteBytes(paths.SetupFilePath(), ""));
        }
        data = SetupData{};
        language = 0;

        StartUp(paths, clock, sink, data, language);

        EXPECT_EQ(
            SetupFile(),
            Cat({"==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n"
                 "\r\n[RS232]\r\n"
                 "COMPORT=1\r\nCOMBAUD=115200\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"
                 "\r\n[ACCESS]\r\n"
                 "LastAccess=06.12.26 06:10:00\r\n"
                 "LastCommand=",
                 Lower(CommandLine()),
                 "\r\n"
                 "\r\n[HELP]\r\n"
                 "LANGUAGE=D\r\n"
                 "\r\n[BLUETOOTH]\r\n"
                 "SELECTED_MAC=0\r\n"
                 "MAC1=\r\nMAC2=\r\nMAC3=\r\nMAC4=\r\nMAC5=\r\nMAC6=\r\nMAC7=\r\nMAC8=\r\n"}));
        EXPECT_EQ(data.lineSettings, LineSettings{});
        EXPECT_EQ(data.startupLineSettings, LineSettings{});
        EXPECT_EQ(language, 'D');
        EXPECT_TRUE(sink.shown.empty());
    }
}

#ifndef _WIN32
// A program file named with a line end in it must not write a line of its own
// into the header (one that a later start would read as a setting).
TEST_F(SetupStoreTest, ControlCharactersOfTheProgramNameAreWrittenInTheirHexForm) {
    const std::string program = folder.Join("q\r\nCOMPORT=9\r\n\x1bv");
    AppPaths named{program.c_str(), "q", kPathSeparator, kKeepModulePathCase};

    StartUp(named, clock, sink, data, language);
    StartUp(named, clock, sink, data, language);

    const std::string file = ReadBytes(named.SetupFilePath());
    EXPECT_EQ(file.substr(0, file.find("\r\n") + 2),
              "==[ SETUP FILE FOR Q0x0D0x0ACOMPORT=90x0D0x0A0x1BV ]==\r\n");
    EXPECT_EQ(data.lineSettings, LineSettings{});
    EXPECT_TRUE(sink.shown.empty());
}
#endif

TEST_F(SetupStoreTest, HandEditedFileIsLoadedAndRewrittenClean) {
    ASSERT_TRUE(WriteBytes(paths.SetupFilePath(),
                           "COMPORT=5\n"  // above its section, so it wins
                           "[RS232]\r\n"
                           "COMPORT=3\r\n"
                           "ComBaud=9600\r\n"
                           "COMPARI=N\tnone\r\n"
                           "COMBITS=7\0junk\n"s
                           "UNKNOWN=kept nowhere\r\n"
                           "LANGUAGE=e\r\n"
                           "SELECTED_MAC=4\r\n"
                           "MAC3=0123456789A\r\n"
                           "MAC4=0123456789ABC\r\n"
                           "MAC5=any 12 chars\r\n"
                           "MAC10=AAAAAAAAAAAA"));

    StartUp(paths, clock, sink, data, language);

    LineSettings expected;
    expected.port = 5;
    expected.baud = 9600;
    expected.parity = 'N';
    expected.dataBits = 7;
    EXPECT_EQ(data.lineSettings, expected);
    EXPECT_EQ(data.startupLineSettings, expected);
    EXPECT_EQ(language, 'D');  // 'e' is no language: German, and so it is saved
    EXPECT_EQ(data.selectedMac, 4);
    EXPECT_STREQ(data.macList[0], "");
    EXPECT_STREQ(data.macList[2], "");  // 11 characters
    EXPECT_STREQ(data.macList[3], "");  // 13 characters
    EXPECT_STREQ(data.macList[4], "any 12 chars");
    EXPECT_STREQ(data.macList[7], "");

    const std::string file = SetupFile();
    EXPECT_NE(file.find("\r\n[RS232]\r\nCOMPORT=5\r\nCOMBAUD=9600\r\nCOMPARI=N\r\nCOMBITS=7\r\n"
                        "COMSTOP=1\r\n"),
              std::string::npos);
    EXPECT_NE(file.find("\r\nLANGUAGE=D\r\n"), std::string::npos);
    EXPECT_NE(file.find("\r\nSELECTED_MAC=4\r\nMAC1=\r\nMAC2=\r\nMAC3=\r\nMAC4=\r\n"
                        "MAC5=any 12 chars\r\nMAC6=\r\n"),
              std::string::npos);
    EXPECT_EQ(file.find("UNKNOWN"), std::string::npos);
    EXPECT_EQ(file.find("MAC10"), std::string::npos);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(SetupStoreTest, OnlyPermanentModeSavesTheSettingsInUse) {
    data.startupLineSettings = LineSettings{};
    data.lineSettings = {7, 9600, 'O', 7, 2};
    struct {
        char saveMode;
        const char* rs232;
    } const cases[] = {
        {'P', "COMPORT=7\r\nCOMBAUD=9600\r\nCOMPARI=O\r\nCOMBITS=7\r\nCOMSTOP=2\r\n"},
        {'0', "COMPORT=1\r\nCOMBAUD=115200\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"},
        {'X', "COMPORT=1\r\nCOMBAUD=115200\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"},
        {'p', "COMPORT=1\r\nCOMBAUD=115200\r\nCOMPARI=E\r\nCOMBITS=8\r\nCOMSTOP=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.saveMode);
        data.saveMode = c.saveMode;
        EXPECT_TRUE(SaveSetup(paths, clock, sink, data, language));
        EXPECT_NE(SetupFile().find(Cat({"[RS232]\r\n", c.rs232, "\r\n[ACCESS]"})),
                  std::string::npos);
    }
}

TEST_F(SetupStoreTest, SavedValuesLoadBackAsTheyWere) {
    data.selectedMac = 3;
    std::memcpy(data.macList[0], "0123456789AB", 13);
    std::memcpy(data.macList[7], "00a0c9e1f2d3", 13);
    language = 'E';
    // A parity that is no name character is saved in its 0x form.
    for (const char parity : {'M', ' ', '\x1B', '\xE4'}) {
        SCOPED_TRACE(static_cast<int>(parity));
        data.lineSettings = {12, 921600, parity, 5, 2};
        ASSERT_TRUE(SaveSetup(paths, clock, sink, data, language));

        SetupData loaded;
        char loadedLanguage = 0;
        ASSERT_TRUE(LoadSetup(paths, clock, sink, loaded, loadedLanguage));
        EXPECT_EQ(loaded.lineSettings, data.lineSettings);
        EXPECT_EQ(loaded.selectedMac, 3);
        EXPECT_EQ(loadedLanguage, 'E');
        for (int slot = 0; slot < kMacSlots; ++slot) {
            EXPECT_STREQ(loaded.macList[slot], data.macList[slot]) << slot;
        }
    }
    EXPECT_TRUE(sink.shown.empty());
}

// The command line is written into the file; whatever it holds, it must never
// read back as settings, neither at the start that wrote it nor at the next.
TEST_F(SetupStoreTest, TheCommandLineNeverBecomesSettings) {
    // Placed where a reader that cut lines into 179-character pieces would have
    // seen the start of a line, with line ends of its own after them.
    std::string crafted = "quorvant ";
    crafted.resize(167, 'a');
    crafted += "selected_mac=2 ";
    crafted.resize(346, 'b');
    crafted += "mac2=0016a4a0b842 \r\nmac1=0016a4a0b842\r\nselected_mac=1\r\ncomport=9";
    AppPaths craftedPaths(ProgramPath().c_str(), crafted.c_str(), kPathSeparator,
                          kKeepModulePathCase);

    for (const int start : {1, 2}) {
        SCOPED_TRACE(start);
        data = SetupData{};
        StartUp(craftedPaths, clock, sink, data, language);
        EXPECT_EQ(data.selectedMac, 0);
        for (int slot = 0; slot < kMacSlots; ++slot) EXPECT_STREQ(data.macList[slot], "") << slot;
        EXPECT_EQ(data.lineSettings, LineSettings{});

        const std::string file = SetupFile();
        EXPECT_NE(file.find("\r\nSELECTED_MAC=0\r\nMAC1=\r\nMAC2=\r\n"), std::string::npos);
        const size_t command = file.find("\r\nLastCommand=");
        ASSERT_NE(command, std::string::npos);
        EXPECT_EQ(file.substr(command + 2, file.find("\r\n", command + 2) - command - 2),
                  Cat({"LastCommand=", crafted.substr(0, 364),
                       "0x0D0x0Amac1=0016a4a0b8420x0D0x0Aselected_mac=10x0D0x0Acomport=9"}));
    }
    EXPECT_TRUE(sink.shown.empty());
}

// A file of which not one key can be read is someone else's, or in a form this
// program does not read: it is kept beside the setup file before the start-up
// save takes its name. A file that holds a key, even an empty one, is ours.
TEST_F(SetupStoreTest, AFileWithoutOneKeyIsKeptBeforeItIsWrittenOver) {
    const std::string kept = Cat({paths.SetupFilePath(), ".bak"});
    std::string utf32 = "\xFF\xFE"s + std::string(2, '\0');
    for (const char c : "COMPORT=3\r\n"s) utf32 += c + std::string(3, '\0');
    const struct {
        const char* what;
        std::string bytes;
        bool keptAside;
    } cases[] = {
        {"UTF-32", utf32, true},
        {"notes", "port three, please\r\n", true},
        {"indented keys", "  COMPORT=3\r\n  COMBAUD=9600\r\n", true},
        {"one empty key", "[BLUETOOTH]\r\nMAC1=\r\n", false},
        {"one key in lower case", "comport=3\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(kept);
        ASSERT_TRUE(WriteBytes(paths.SetupFilePath(), c.bytes));
        data = SetupData{};

        StartUp(paths, clock, sink, data, language);

        EXPECT_EQ(std::filesystem::exists(kept), c.keptAside);
        if (c.keptAside) {
            EXPECT_EQ(ReadBytes(kept), c.bytes);
        }
        EXPECT_EQ(SetupFile().rfind("==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n", 0), 0u);
        EXPECT_EQ(EntriesIn(folder.Path()), c.keptAside ? 2u : 1u);
    }
    EXPECT_TRUE(sink.shown.empty());
}

// Where the copy cannot be made, the file is not written over at all.
// A copy set aside earlier is the user's as much as the file now found: each
// foreign file gets a name of its own, whatever stands at the names before.
TEST_F(SetupStoreTest, EveryForeignFileIsKeptUnderANameOfItsOwn) {
    const std::string kept = Cat({paths.SetupFilePath(), ".bak"});
    std::filesystem::create_directories(Cat({kept, "2", std::string{kPathSeparator}, "full"}));
    for (const char* notes : {"notes 1\r\n", "notes 2\r\n"}) {
        ASSERT_TRUE(WriteBytes(paths.SetupFilePath(), notes));
        StartUp(paths, clock, sink, data, language);
        EXPECT_EQ(SetupFile().rfind("==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n", 0), 0u);
    }
    EXPECT_EQ(ReadBytes(kept), "notes 1\r\n");
    EXPECT_TRUE(std::filesystem::is_directory(Cat({kept, "2"})));
    EXPECT_EQ(ReadBytes(Cat({kept, "3"})), "notes 2\r\n");
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(SetupStoreTest, MegabytesOfGarbageGiveTheDefaultsAndAFreshFile) {
    std::mt19937 random(20261206);
    std::string garbage(3 << 20, '\0');
    for (char& c : garbage) c = static_cast<char>(random() & 0xFF);
    for (char& c : garbage) {
        if (c == '\n' || c == '\r') c = '\0';
    }
    ASSERT_TRUE(WriteBytes(paths.SetupFilePath(), garbage));

    StartUp(paths, clock, sink, data, language);

    EXPECT_EQ(data.lineSettings, LineSettings{});
    EXPECT_EQ(language, 'D');
    const std::string file = SetupFile();
    EXPECT_EQ(file.rfind("==[ SETUP FILE FOR QUORVANT.EXE ]==\r\n", 0), 0u);
    EXPECT_LT(file.size(), 1000u);
    EXPECT_EQ(ReadBytes(Cat({paths.SetupFilePath(), ".bak"})), garbage);
    EXPECT_TRUE(sink.shown.empty());
}

// The three ways a real disk refuses the setup file; "folder is a file" fails for
// every user, so it stands in when a read-only folder stays writable (root, Windows).
enum class Unwritable { MissingFolder, FolderIsAFile, ReadOnlyFolder };

class UnwritableSetupTest : public ::testing::TestWithParam<Unwritable> {};

TEST_P(UnwritableSetupTest, StartUpReportsAndKeepsEveryValueItHeld) {
    ScratchFolder folder;
    const std::string place = folder.Join("place");
    switch (GetParam()) {
        case Unwritable::MissingFolder:
            break;
        case Unwritable::FolderIsAFile:
            ASSERT_TRUE(WriteBytes(place, "a file"));
            break;
        case Unwritable::ReadOnlyFolder: {
            std::filesystem::create_directory(place);
            std::filesystem::permissions(
                place, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
            const std::string probe = Cat({place, {&kPathSeparator, 1}, "probe"});
            if (WriteBytes(probe, "x")) {
                GTEST_SKIP() << "a read-only folder stays writable for this user";
            }
            break;
        }
    }
    const std::string program = Cat({place, {&kPathSeparator, 1}, "quorvant.exe"});
    AppPaths paths(program.c_str(), "quorvant", kPathSeparator, kKeepModulePathCase);
    FixedClock source(LocalTimeAt(2026, 12, 6, 6, 10, 0));
    ClockText clock(source);
    RecordingSink sink;
    SetupData data;
    data.lineSettings = {4, 19200, 'N', 8, 1};
    data.selectedMac = 2;
    std::memcpy(data.macList[1], "0123456789AB", 13);
    char language = 'E';

    StartUp(paths, clock, sink, data, language);

    // The load's own save fails (create shown by the file and by the save), then the
    // load gives up; the start-up save fails the same way.
    EXPECT_EQ(sink.Count(kCreateFailed), 4);
    EXPECT_EQ(sink.Count(kOpenFailed), 1);
    EXPECT_EQ(sink.shown.size(), 5u);
    const LineSettings held{4, 19200, 'N', 8, 1};
    EXPECT_EQ(data.lineSettings, held);
    EXPECT_EQ(data.startupLineSettings, held);
    EXPECT_EQ(data.selectedMac, 2);
    EXPECT_STREQ(data.macList[1], "0123456789AB");
    EXPECT_EQ(language, 'E');
}

INSTANTIATE_TEST_SUITE_P(Disk, UnwritableSetupTest,
                         ::testing::Values(Unwritable::MissingFolder, Unwritable::FolderIsAFile,
                                           Unwritable::ReadOnlyFolder));

}  // namespace
