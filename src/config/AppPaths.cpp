#include "config/AppPaths.h"

#include <cstdio>
#include <cstring>

#include "text/Ascii.h"
#include "text/FormatFits.h"

namespace {

constexpr const char* kNoSeparatorName = "ERR1";
constexpr const char* kNoCommandLine = "ERR3";

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

}  // namespace

AppPaths::AppPaths(const char* modulePath, const char* commandLine, char separator,
                   bool keepModulePathCase)
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
    const bool wholeSetupPath = FormatFits(setupFilePathText, sizeof(setupFilePathText), "%s%s",
                                           programDirectoryText, setupFileNameText);
    if (!wholeModulePath || !wholeSetupPath) setupFilePathText[0] = '\0';

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
char AppPaths::Separator() const {
    return pathSeparator;
}
