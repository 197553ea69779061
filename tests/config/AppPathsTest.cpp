#include <gtest/gtest.h>

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
