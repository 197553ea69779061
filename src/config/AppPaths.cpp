#include "config/AppPaths.h"

#include <cstdio>
#include <cstring>

#include "text/Ascii.h"
#include "text/FormatFits.h"

namespace {

constexpr const char* kNoSeparatorName = "ERR1";
constexpr const char* kNoCommandLine = "ERR3";
constexpr const char* kInstalledSetupFolder = "quorvant";
constexpr const char* kInstalledProgramFolder = "bin";
constexpr const char* kDefaultConfigHome = ".config";

// Copies text into a buffer of the given capacity, cut at its end; true when
// the whole text fitted.
bool CopyCut(char* out, size_t capacity, const char* text) {
    size_t kept = 0;
    while (kept + 1 < capacity && text[kept] != '\0') {
        out[kept] = text[kept];
        ++kept;
    }
    out[kept] = '\0';
    return text[kept] == '\0';
}

bool IsAbsolute(const char* path, char separator) {
    return path != nullptr && path[0] == separator;
}

// The length of path without the separators at its end (the root's too), so
// that joining a separator and a name never doubles one.
int LengthWithoutTrailingSeparators(const char* path, char separator) {
    size_t length = std::strlen(path);
    while (length > 0 && path[length - 1] == separator) --length;
    return static_cast<int>(length);
}

// True when directory (ending in separator) is a folder named name.
bool LastComponentIs(const char* directory, const char* name, char separator) {
    const size_t length = std::strlen(directory);
    const size_t nameLength = std::strlen(name);
    if (length < nameLength + 2 || directory[length - 1] != separator) return false;
    const char* component = directory + length - 1 - nameLength;
    return component[-1] == separator && std::strncmp(component, name, nameLength) == 0;
}

bool RunsInstalled(const char* programDirectory, const ProgramFolderFacts& facts, char separator) {
    return !facts.writable ||
           (facts.shareFolderBeside &&
            LastComponentIs(programDirectory, kInstalledProgramFolder, separator));
}

}  // namespace

bool ChooseSetupDirectory(const char* programDirectory, const ProgramFolderFacts& facts,
                          const char* xdgConfigHome, const char* home, char separator, char* out,
                          size_t capacity) {
    if (programDirectory == nullptr) programDirectory = "";
    if (!RunsInstalled(programDirectory, facts, separator)) {
        return FormatFits(out, capacity, "%s", programDirectory);
    }
    if (IsAbsolute(xdgConfigHome, separator)) {
        return FormatFits(out, capacity, "%.*s%c%s%c",
                          LengthWithoutTrailingSeparators(xdgConfigHome, separator), xdgConfigHome,
                          separator, kInstalledSetupFolder, separator);
    }
    if (IsAbsolute(home, separator)) {
        return FormatFits(out, capacity, "%.*s%c%s%c%s%c",
                          LengthWithoutTrailingSeparators(home, separator), home, separator,
                          kDefaultConfigHome, separator, kInstalledSetupFolder, separator);
    }
    return FormatFits(out, capacity, "%s", programDirectory);
}

AppPaths::AppPaths(const char* modulePath, const char* commandLine, char separator,
                   bool keepModulePathCase, const char* setupDirectory, const char* saveDirectory)
    : pathSeparator(separator) {
    const bool wholeModulePath =
        CopyCut(modulePathText, sizeof(modulePathText), modulePath != nullptr ? modulePath : "");
    if (!keepModulePathCase) {
        // The drive letter keeps its case, as the system shows it.
        LowerAsciiText(modulePathText[0] != '\0' && modulePathText[1] == ':' ? modulePathText + 1
                                                                             : modulePathText);
    }

    CopyCut(programDirectoryText, sizeof(programDirectoryText), modulePathText);
    char* lastSeparator = std::strrchr(programDirectoryText, pathSeparator);
    if (lastSeparator != nullptr) lastSeparator[1] = '\0';

    const char* fileName = std::strrchr(modulePathText, pathSeparator);
    CopyCut(programFileNameText, sizeof(programFileNameText),
            fileName != nullptr ? fileName + 1 : kNoSeparatorName);

    // The extension comes off before the cut to the base name's capacity, so
    // that a dot early in a long name is not taken for the extension's.
    char stem[kPathCapacity];
    CopyCut(stem, sizeof(stem), programFileNameText);
    char* lastDot = std::strrchr(stem, '.');
    if (lastDot != nullptr) *lastDot = '\0';
    CopyCut(baseNameText, sizeof(baseNameText), stem);

    std::snprintf(setupFileNameText, sizeof(setupFileNameText), "%s.ini", baseNameText);
    // A folder given but empty, or too long to hold, places the setup file
    // nowhere rather than in the current folder or a cut one.
    const bool ownFolder = setupDirectory != nullptr;
    const bool wholeSetupDirectory = CopyCut(setupDirectoryText, sizeof(setupDirectoryText),
                                             ownFolder ? setupDirectory : programDirectoryText);
    if (!wholeSetupDirectory) setupDirectoryText[0] = '\0';
    const bool wholeSetupPath = (!ownFolder || setupDirectoryText[0] != '\0') &&
                                FormatFits(setupFilePathText, sizeof(setupFilePathText), "%s%s",
                                           setupDirectoryText, setupFileNameText);
    if (!wholeModulePath || !wholeSetupPath) setupFilePathText[0] = '\0';

    const bool ownSaveFolder = saveDirectory != nullptr && saveDirectory[0] != '\0' &&
                               CopyCut(saveDirectoryText, sizeof(saveDirectoryText), saveDirectory);
    if (!ownSaveFolder) CopyCut(saveDirectoryText, sizeof(saveDirectoryText), setupDirectoryText);

    CopyCut(commandLineText, sizeof(commandLineText),
            commandLine != nullptr ? commandLine : kNoCommandLine);
    LowerAsciiText(commandLineText);
}

AppPaths::~AppPaths() = default;

const char* AppPaths::CommandLine() const {
    return commandLineText;
}
const char* AppPaths::ModulePath() const {
    return modulePathText;
}
const char* AppPaths::ProgramDirectory() const {
    return programDirectoryText;
}
const char* AppPaths::ProgramFileName() const {
    return programFileNameText;
}
const char* AppPaths::BaseName() const {
    return baseNameText;
}
const char* AppPaths::SetupFileName() const {
    return setupFileNameText;
}
const char* AppPaths::SetupFilePath() const {
    return setupFilePathText;
}
const char* AppPaths::SetupDirectory() const {
    return setupDirectoryText;
}
const char* AppPaths::SaveDirectory() const {
    return saveDirectoryText;
}
char AppPaths::Separator() const {
    return pathSeparator;
}
