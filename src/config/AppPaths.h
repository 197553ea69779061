#pragma once
#include <cstddef>
#include <cstdint>

// The program's own names, derived once from the running executable's path:
// its folder, file name, base name and the setup file beside it, plus a
// lower-cased copy of the command line (a record for the setup file only).
class AppPaths {
  public:
    static constexpr size_t kCommandLineCapacity = 456;
    static constexpr size_t kPathCapacity = 356;
    static constexpr size_t kBaseNameCapacity = 276;

    // modulePath and commandLine come from the platform (nullptr when it has
    // none); separator is its path separator. keepModulePathCase is set on a
    // case-sensitive file system, where a lower-cased path may not exist.
    // A module path too long for kPathCapacity leaves setupFilePath empty:
    // a cut path names some other file, and the setup file must never be
    // written over that.
    AppPaths(const char* modulePath, const char* commandLine, char separator,
             bool keepModulePathCase);
    virtual ~AppPaths();

    const char* CommandLine() const;
    const char* ModulePath() const;
    const char* ProgramDirectory() const;
    const char* ProgramFileName() const;
    const char* BaseName() const;
    const char* SetupFileName() const;
    const char* SetupFilePath() const;
    char Separator() const;

    // The extension of the first file name in text, at most three characters;
    // the result lives until the next call.
    const char* FileExtension(const char* text);

  private:
    char commandLineText[kCommandLineCapacity] = {};
    char modulePathText[kPathCapacity] = {};
    char programDirectoryText[kPathCapacity] = {};
    char baseNameText[kBaseNameCapacity] = {};
    char programFileNameText[kPathCapacity] = {};
    char setupFilePathText[kPathCapacity] = {};
    char setupFileNameText[kPathCapacity] = {};
    char pathSeparator = '/';
    char extensionResult[8] = {};
};

// 0 forbidden in a file name, 1 name character, 2 blank.
int FileNameCharClass(uint8_t c);
