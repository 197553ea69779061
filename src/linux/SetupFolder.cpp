#include "SetupFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/AppPaths.h"

namespace {

constexpr char kPathSeparator = '/';
constexpr size_t kPathCapacity = 4096;
// Where an installation keeps the program's data, seen from its bin/ folder.
constexpr const char* kShareFolderFromBin = "../share/quorvant";
// The base directory convention asks for folders only the user can enter.
constexpr mode_t kConfigFolderMode = 0700;

bool IsDirectory(const char* path) {
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

ProgramFolderFacts ReadProgramFolderFacts(const char* programDirectory) {
    ProgramFolderFacts facts;
    facts.writable = access(programDirectory, W_OK) == 0;
    char shareFolder[kPathCapacity];
    facts.shareFolderBeside =
        std::snprintf(shareFolder, sizeof(shareFolder), "%s%s", programDirectory,
                      kShareFolderFromBin) < static_cast<int>(sizeof(shareFolder)) &&
        IsDirectory(shareFolder);
    return facts;
}

// Creates directory (ending in '/') and any missing parents.
void CreateFolders(const char* directory) {
    char path[kPathCapacity];
    if (directory[0] == '\0' ||
        std::snprintf(path, sizeof(path), "%s", directory) >= static_cast<int>(sizeof(path))) {
        return;
    }
    for (char* p = path + 1; *p != '\0'; ++p) {
        if (*p != kPathSeparator) continue;
        *p = '\0';
        if (mkdir(path, kConfigFolderMode) != 0 && errno != EEXIST) return;
        *p = kPathSeparator;
    }
}

}  // namespace

void LocateSetupFolder(const char* programDirectory, char* out, size_t capacity) {
    ChooseSetupDirectory(programDirectory, ReadProgramFolderFacts(programDirectory),
                         std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), kPathSeparator, out,
                         capacity);
    if (std::strcmp(out, programDirectory) != 0) CreateFolders(out);
}
