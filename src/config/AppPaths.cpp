#include "config/AppPaths.h"

#include <cstdio>
#include <cstring>

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

void LowerAscii(char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

}  // namespace

AppPaths::AppPaths(const char* modulePath, const char* commandLine, char separator,
                   bool keepModulePathCase)
    : pathSeparator(separator) {
    const bool wholeModulePath =
        CopyCut(modulePathText, sizeof(modulePathText), modulePath != nullptr ? modulePath : "");
    if (!keepModulePathCase) {
        // The drive letter keeps its case, as the system shows it.
        LowerAscii(modulePathText[0] != '\0' && modulePathText[1] == ':' ? modulePathText + 1
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
    const int setupPathLength = std::snprintf(setupFilePathText, sizeof(setupFilePathText), "%s%s",
                                              programDirectoryText, setupFileNameText);
    if (!wholeModulePath || setupPathLength < 0 ||
        static_cast<size_t>(setupPathLength) >= sizeof(setupFilePathText)) {
        setupFilePathText[0] = '\0';
    }

    CopyCut(commandLineText, sizeof(commandLineText),
            commandLine != nullptr ? commandLine : kNoCommandLine);
    LowerAscii(commandLineText);
}

AppPaths::~AppPaths() = default;

const char* AppPaths::commandLine() const {
    return commandLineText;
}
const char* AppPaths::modulePath() const {
    return modulePathText;
}
const char* AppPaths::programDirectory() const {
    return programDirectoryText;
}
const char* AppPaths::programFileName() const {
    return programFileNameText;
}
const char* AppPaths::baseName() const {
    return baseNameText;
}
const char* AppPaths::setupFileName() const {
    return setupFileNameText;
}
const char* AppPaths::setupFilePath() const {
    return setupFilePathText;
}
char AppPaths::separator() const {
    return pathSeparator;
}
