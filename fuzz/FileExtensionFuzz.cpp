// Any text as a file name, a module path and a command line: the results stay
// within their capacities and keep the forms the rest of the program relies on.
#include <cstdint>
#include <cstring>
#include <string>

#include "config/AppPaths.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool HasUpperCase(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') return true;
    }
    return false;
}

void CheckPaths(const char* text, char separator, bool keepCase) {
    const AppPaths paths(text, text, separator, keepCase);
    Check(std::strlen(paths.ModulePath()) < AppPaths::kPathCapacity);
    Check(std::strlen(paths.BaseName()) < AppPaths::kBaseNameCapacity);
    Check(!HasUpperCase(paths.CommandLine()));
    if (keepCase) {
        Check(std::strncmp(paths.ModulePath(), text, std::strlen(paths.ModulePath())) == 0);
    }
    const char* setupPath = paths.SetupFilePath();
    if (setupPath[0] != '\0') {
        const size_t directoryLength = std::strlen(paths.ProgramDirectory());
        Check(std::strncmp(setupPath, paths.ProgramDirectory(), directoryLength) == 0);
        Check(std::strcmp(setupPath + directoryLength, paths.SetupFileName()) == 0);
    }
    const size_t nameLength = std::strlen(paths.SetupFileName());
    Check(nameLength >= 4 && std::strcmp(paths.SetupFileName() + nameLength - 4, ".ini") == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const char* name = text.c_str();  // up to the first NUL, like every caller's text

    static AppPaths paths("/fuzz/quorvant", "quorvant", '/', true);
    const char* extension = paths.FileExtension(name);
    Check(std::strlen(extension) <= 3);
    if (std::strlen(name) > AppPaths::kPathCapacity - 1) {
        Check(std::strcmp(extension, "err") == 0);
    } else if (extension[0] != '\0') {
        Check(std::strstr(name, extension) != nullptr);
    }

    for (size_t i = 0; i < size; ++i) {
        const int charClass = FileNameCharClass(data[i]);
        Check(charClass >= 0 && charClass <= 2);
        Check((charClass == 2) == (data[i] == ' '));
    }

    CheckPaths(name, '\\', false);
    CheckPaths(name, '/', true);
    return 0;
}
