#pragma once
#include <cstddef>
#include <cstdint>

// What the platform finds out about the running executable's folder, for
// ChooseSetupDirectory.
struct ProgramFolderFacts {
    // The user may create files in it.
    bool writable = true;
    // Its parent holds share/quorvant/, the data folder an installation puts
    // beside bin/.
    bool shareFolderBeside = false;
};

// The folder (ending in separator) that holds the setup file and ports/. A
// program run from its build folder or an unpacked folder keeps them beside
// itself. An installed one does not: its folder is one the user cannot write,
// or a bin/ beside share/quorvant/ (where even root must not litter it), so
// they go to xdgConfigHome/quorvant/, or home/.config/quorvant/ when
// xdgConfigHome is unset, empty or relative (the base directory convention
// ignores relative ones). Without a usable home either, the program's folder
// is all there is. False, with out empty, when the folder does not fit.
bool ChooseSetupDirectory(const char* programDirectory, const ProgramFolderFacts& facts,
                          const char* xdgConfigHome, const char* home, char separator, char* out,
                          size_t capacity);

// The program's own names, derived once from the running executable's path:
// its folder, file name, base name and the setup file, plus a lower-cased copy
// of the command line (a record for the setup file only).
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
    // written over that. setupDirectory (see ChooseSetupDirectory) is where the
    // setup file lies: beside the executable when nullptr, nowhere when empty.
    // saveDirectory is where the save dialog first opens when the platform has
    // a better place than the setup folder; nullptr, empty or too long keeps
    // the setup folder.
    AppPaths(const char* modulePath, const char* commandLine, char separator,
             bool keepModulePathCase, const char* setupDirectory = nullptr,
             const char* saveDirectory = nullptr);
    virtual ~AppPaths();

    const char* CommandLine() const;
    const char* ModulePath() const;
    const char* ProgramDirectory() const;
    const char* ProgramFileName() const;
    const char* BaseName() const;
    const char* SetupFileName() const;
    const char* SetupFilePath() const;
    // The folder of the setup file, ending in the separator.
    const char* SetupDirectory() const;
    // The first folder of the save dialog, ending in the separator.
    const char* SaveDirectory() const;
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
    char setupDirectoryText[kPathCapacity] = {};
    char saveDirectoryText[kPathCapacity] = {};
    char pathSeparator = '/';
    char extensionResult[8] = {};
};

// 0 forbidden in a file name, 1 name character, 2 blank.
int FileNameCharClass(uint8_t c);
