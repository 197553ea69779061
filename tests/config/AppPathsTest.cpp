#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/AppPaths.h"

namespace {

struct PathCase {
    const char* modulePath;
    char separator;
    bool keepCase;
    const char* expectedModulePath;
    const char* directory;
    const char* fileName;
    const char* baseName;
    const char* setupFileName;
    const char* setupFilePath;
};

const PathCase kPathCases[] = {
    // The drive letter keeps its case; everything after it is lower-cased.
    {"C:\\Tools\\Quorvant.EXE", '\\', false, "C:\\tools\\quorvant.exe", "C:\\tools\\",
     "quorvant.exe", "quorvant", "quorvant.ini", "C:\\tools\\quorvant.ini"},
    // Without a drive letter the first character is lower-cased too.
    {"\\\\Server\\Share\\Q.EXE", '\\', false, "\\\\server\\share\\q.exe", "\\\\server\\share\\",
     "q.exe", "q", "q.ini", "\\\\server\\share\\q.ini"},
    // Only the last dot of the file name goes, and a dot in a folder name is no extension.
    {"/opt/My.Tools/my.tool.exe", '/', true, "/opt/My.Tools/my.tool.exe", "/opt/My.Tools/",
     "my.tool.exe", "my.tool", "my.tool.ini", "/opt/My.Tools/my.tool.ini"},
    // A case-sensitive file system: the path keeps its case so that the setup file is
    // beside the executable, not in a lower-cased folder that does not exist.
    {"/home/Ann/Bin/Quorvant", '/', true, "/home/Ann/Bin/Quorvant", "/home/Ann/Bin/", "Quorvant",
     "Quorvant", "Quorvant.ini", "/home/Ann/Bin/Quorvant.ini"},
    // The other platform's separator is just a name character.
    {"C:\\Tools\\quorvant.exe", '/', true, "C:\\Tools\\quorvant.exe", "C:\\Tools\\quorvant.exe",
     "ERR1", "ERR1", "ERR1.ini", "C:\\Tools\\quorvant.exeERR1.ini"},
    {"quorvant.exe", '\\', false, "quorvant.exe", "quorvant.exe", "ERR1", "ERR1", "ERR1.ini",
     "quorvant.exeERR1.ini"},
    {nullptr, '/', true, "", "", "ERR1", "ERR1", "ERR1.ini", "ERR1.ini"},
};

TEST(AppPaths, DerivesEveryNameFromTheModulePath) {
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(c.modulePath != nullptr ? c.modulePath : "(none)");
        const AppPaths paths(c.modulePath, "x", c.separator, c.keepCase);
        EXPECT_STREQ(paths.ModulePath(), c.expectedModulePath);
        EXPECT_STREQ(paths.ProgramDirectory(), c.directory);
        EXPECT_STREQ(paths.ProgramFileName(), c.fileName);
        EXPECT_STREQ(paths.BaseName(), c.baseName);
        EXPECT_STREQ(paths.SetupFileName(), c.setupFileName);
        EXPECT_STREQ(paths.SetupFilePath(), c.setupFilePath);
        EXPECT_EQ(paths.Separator(), c.separator);
    }
}

TEST(AppPaths, CommandLineIsLowerCasedAndCut) {
    EXPECT_STREQ(AppPaths("/q", "\"C:\\Tools\\Quorvant.EXE\" COM3", '/', true).CommandLine(),
                 "\"c:\\tools\\quorvant.exe\" com3");
    EXPECT_STREQ(AppPaths("/q", nullptr, '/', true).CommandLine(), "err3");

    const std::string longLine(600, 'A');
    const AppPaths cut("/q", longLine.c_str(), '/', true);
    EXPECT_EQ(std::string(cut.CommandLine()), std::string(455, 'a'));
}

TEST(AppPaths, LongPathsAreCutAndNeverNameAnotherFileAsSetupFile) {
    // A module path beyond 355 characters: the names follow the cut text, the base name
    // stops at 275 characters, and no setup file path is offered for a path that is
    // not the program's.
    const std::string tooLong = "/" + std::string(400, 'a') + "/q.exe";
    const AppPaths cut(tooLong.c_str(), "x", '/', true);
    EXPECT_EQ(std::string(cut.ModulePath()), tooLong.substr(0, 355));
    EXPECT_STREQ(cut.ProgramDirectory(), "/");
    EXPECT_EQ(std::string(cut.ProgramFileName()), std::string(354, 'a'));
    EXPECT_EQ(std::string(cut.BaseName()), std::string(275, 'a'));
    EXPECT_EQ(std::string(cut.SetupFileName()), std::string(275, 'a') + ".ini");
    EXPECT_STREQ(cut.SetupFilePath(), "");

    // A whole path whose setup path does not fit would be cut back to the executable
    // itself (or a name like it); the largest that fits is kept.
    const std::string folder = "/" + std::string(300, 'f') + "/";
    const std::string justFits = folder + std::string(355 - 4 - folder.size(), 'q');
    const std::string exactlyFull = folder + std::string(355 - folder.size(), 'q');
    EXPECT_EQ(std::string(AppPaths(justFits.c_str(), "x", '/', true).SetupFilePath()),
              justFits + ".ini");
    EXPECT_STREQ(AppPaths(exactlyFull.c_str(), "x", '/', true).SetupFilePath(), "");
}

TEST(AppPaths, SetupDirectoryChoosesWhereTheSetupFileLies) {
    const AppPaths beside("/opt/q/quorvant", "x", '/', true);
    EXPECT_STREQ(beside.SetupDirectory(), "/opt/q/");
    EXPECT_STREQ(beside.SetupFilePath(), "/opt/q/quorvant.ini");

    const AppPaths installed("/usr/bin/quorvant", "x", '/', true, "/home/ann/.config/quorvant/");
    EXPECT_STREQ(installed.ProgramDirectory(), "/usr/bin/");
    EXPECT_STREQ(installed.SetupDirectory(), "/home/ann/.config/quorvant/");
    EXPECT_STREQ(installed.SetupFilePath(), "/home/ann/.config/quorvant/quorvant.ini");

    // No folder to be had (or one too long to hold) means no setup file, never
    // one in whatever the current folder happens to be.
    EXPECT_STREQ(AppPaths("/usr/bin/quorvant", "x", '/', true, "").SetupFilePath(), "");
    const std::string tooLong = "/" + std::string(400, 'c') + "/";
    EXPECT_STREQ(AppPaths("/usr/bin/quorvant", "x", '/', true, tooLong.c_str()).SetupFilePath(),
                 "");
}

// The save dialog opens in the setup folder unless the platform names a
// usable place of its own.
TEST(AppPaths, SaveDirectoryIsTheSetupFolderUnlessGivenAnother) {
    char tooLong[AppPaths::kPathCapacity + 2] = {};
    std::memset(tooLong, 'h', sizeof(tooLong) - 1);
    tooLong[0] = '/';
    tooLong[sizeof(tooLong) - 2] = '/';
    const struct {
        const char* saveDirectory;
        const char* expected;
    } cases[] = {
        {nullptr, "/home/ann/.config/quorvant/"},
        {"", "/home/ann/.config/quorvant/"},
        {"/home/ann/", "/home/ann/"},
        {tooLong, "/home/ann/.config/quorvant/"},
    };
    for (const auto& c : cases) {
        const AppPaths paths("/usr/bin/quorvant", "x", '/', true, "/home/ann/.config/quorvant/",
                             c.saveDirectory);
        EXPECT_STREQ(paths.SaveDirectory(), c.expected) << (c.saveDirectory ? "given" : "none");
    }
    EXPECT_STREQ(AppPaths("/opt/q/quorvant", "x", '/', true).SaveDirectory(), "/opt/q/");
}

TEST(SetupDirectory, BesideTheProgramUnlessInstalled) {
    const ProgramFolderFacts ownFolder{true, false};
    const ProgramFolderFacts readOnly{false, false};
    const ProgramFolderFacts besideShare{true, true};
    struct {
        const char* programDirectory;
        ProgramFolderFacts facts;
        const char* xdgConfigHome;
        const char* home;
        const char* expected;
    } const cases[] = {
        // A build or unpacked folder the user may write: beside the program, whatever
        // the environment says.
        {"/work/build/src/linux/", ownFolder, "/home/ann/cfg", "/home/ann",
         "/work/build/src/linux/"},
        // An unpacked tree with a bin/ but no share/quorvant/ is still just a folder.
        {"/home/ann/q/bin/", ownFolder, nullptr, "/home/ann", "/home/ann/q/bin/"},
        // A share/quorvant/ beside a folder not named bin proves nothing.
        {"/home/ann/q/tools/", besideShare, nullptr, "/home/ann", "/home/ann/q/tools/"},
        {"/home/ann/q/xbin/", besideShare, nullptr, "/home/ann", "/home/ann/q/xbin/"},
        // Installed: a folder the user cannot write, or bin/ beside share/quorvant/
        // even when writable (root, or a prefix the user owns).
        {"/usr/local/bin/", readOnly, nullptr, "/home/ann", "/home/ann/.config/quorvant/"},
        {"/usr/bin/", besideShare, nullptr, "/root", "/root/.config/quorvant/"},
        {"/usr/bin/", readOnly, "/home/ann/cfg", "/home/ann", "/home/ann/cfg/quorvant/"},
        {"/usr/bin/", readOnly, "/home/ann/cfg//", "/home/ann", "/home/ann/cfg/quorvant/"},
        {"/usr/bin/", readOnly, "/", "/home/ann", "/quorvant/"},
        {"/usr/bin/", readOnly, nullptr, "/home/ann/", "/home/ann/.config/quorvant/"},
        // An empty or relative XDG_CONFIG_HOME is ignored.
        {"/usr/bin/", readOnly, "", "/home/ann", "/home/ann/.config/quorvant/"},
        {"/usr/bin/", readOnly, "cfg", "/home/ann", "/home/ann/.config/quorvant/"},
        // No usable home at all: the program's folder is all that is left.
        {"/usr/bin/", readOnly, nullptr, nullptr, "/usr/bin/"},
        {"/usr/bin/", readOnly, "", "relative", "/usr/bin/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.programDirectory) +
                     " xdg=" + (c.xdgConfigHome != nullptr ? c.xdgConfigHome : "(unset)"));
        char out[AppPaths::kPathCapacity] = "junk";
        EXPECT_TRUE(ChooseSetupDirectory(c.programDirectory, c.facts, c.xdgConfigHome, c.home, '/',
                                         out, sizeof(out)));
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(SetupDirectory, AFolderTooLongToHoldIsNoFolder) {
    const std::string longHome = "/" + std::string(AppPaths::kPathCapacity, 'h');
    char out[AppPaths::kPathCapacity] = "junk";
    EXPECT_FALSE(ChooseSetupDirectory("/usr/bin/", ProgramFolderFacts{false, false}, nullptr,
                                      longHome.c_str(), '/', out, sizeof(out)));
    EXPECT_STREQ(out, "");
}

TEST(FileName, ExtensionOfTheFirstFileNameInAText) {
    struct {
        std::string text;
        const char* extension;
    } const cases[] = {
        {"screen.txt", "txt"},
        {"data.html", "htm"},
        {"name.", ""},
        {"name", ""},
        {"", ""},
        // "tar.gz" is too long a run, so the search goes on to the second dot.
        {"archive.tar.gz", "gz"},
        // The run ends at the backslash; the last path component is not looked for.
        {"c:\\my.dir\\file", "dir"},
        // Quoted, a blank may be part of a name, so only the closing quote ends it.
        {"\"a.b c.txt\"", "txt"},
        {"a.b c.txt", "b"},
        {".profile", "pro"},
        {std::string(351, 'a') + ".txt", "txt"},
        {std::string(352, 'a') + ".txt", "err"},
        {std::string(400, 'a'), "err"},
    };
    AppPaths paths("/q", "x", '/', true);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 40));
        EXPECT_STREQ(paths.FileExtension(c.text.c_str()), c.extension);
    }
}

TEST(FileName, CharClassSortsForbiddenBlankAndNameBytes) {
    for (const char c : std::string("\\/:*?\"<>|")) {
        EXPECT_EQ(FileNameCharClass(static_cast<uint8_t>(c)), 0) << c;
    }
    struct {
        uint8_t byte;
        int charClass;
    } const cases[] = {{' ', 2},  {'!', 1},  {'.', 1},  {'a', 1},  {'~', 1},  {0x00, 0},
                       {0x09, 0}, {0x1F, 0}, {0x7F, 0}, {0x80, 0}, {0xE4, 0}, {0xFF, 0}};
    for (const auto& c : cases) EXPECT_EQ(FileNameCharClass(c.byte), c.charClass) << int(c.byte);
}

}  // namespace
