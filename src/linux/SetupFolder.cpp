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
// ports/ only holds links; who may read the setup folder may read it too.
constexpr mode_t kPortsFolderMode = 0777;
constexpr const char* kPortsFolderName = "ports";

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

// A user who links a port by hand (ln -s /dev/pts/N ports/com1) should not
// have to make the folder first. Anything already there under that name, a
// link to a folder included, is the user's and stays as it is.
void CreatePortsFolder(const char* setupDirectory) {
    char path[kPathCapacity];
    if (setupDirectory[0] == '\0' ||
        std::snprintf(path, sizeof(path), "%s%s", setupDirectory, kPortsFolderName) >=
            static_cast<int>(sizeof(path))) {
        return;
    }
    mkdir(path, kPortsFolderMode);
}

}  // namespace

void LocateSetupFolder(const char* programDirectory, char* out, size_t capacity) {
    ChooseSetupDirectory(programDirectory, ReadProgramFolderFacts(programDirectory),
                         std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"), kPathSeparator, out,
                         capacity);
    if (std::strcmp(out, programDirectory) != 0) CreateFolders(out);
    CreatePortsFolder(out);
}

void LocateSaveFolder(const char* programDirectory, const char* setupDirectory, char* out,
                      size_t capacity) {
    if (capacity == 0) return;
    out[0] = '\0';
    if (std::strcmp(setupDirectory, programDirectory) == 0) return;
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != kPathSeparator) return;
    const size_t length = std::strlen(home);
    const bool needsSeparator = home[length - 1] != kPathSeparator;
    if (std::snprintf(out, capacity, "%s%s", home, needsSeparator ? "/" : "") >=
        static_cast<int>(capacity)) {
        out[0] = '\0';
    }
}
