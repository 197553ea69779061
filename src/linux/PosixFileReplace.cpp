#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "config/FileReplace.h"

namespace {

constexpr size_t kFolderPathCapacity = 4096;

// A fuzz build saves a scratch file thousands of times a second; waiting for
// the disk at each save would slow it a hundredfold and protect nothing.
#ifdef QUORVANT_FILE_REPLACE_NO_SYNC
constexpr bool kSyncToDisk = false;
#else
constexpr bool kSyncToDisk = true;
#endif

// The data goes to the disk before the rename: otherwise a crash soon after
// could leave the new name on a file whose blocks were never written.
bool SyncFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = fsync(fd) == 0;
    return close(fd) == 0 && synced;
}

// The rename itself lives in the folder; syncing it makes the replacement
// last. Some file systems cannot sync a folder, and the rename has happened
// by then, so this is best effort.
void SyncFolderOf(const char* path) {
    char folder[kFolderPathCapacity];
    const char* slash = std::strrchr(path, '/');
    if (slash == nullptr) {
        std::snprintf(folder, sizeof(folder), ".");
    } else {
        const int length = slash == path ? 1 : static_cast<int>(slash - path);
        if (std::snprintf(folder, sizeof(folder), "%.*s", length, path) >=
            static_cast<int>(sizeof(folder))) {
            return;
        }
    }
    const int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

}  // namespace

bool ReplaceFileInOneStep(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    if (kSyncToDisk && !SyncFile(from)) return false;
    if (rename(from, to) != 0) return false;
    if (kSyncToDisk) SyncFolderOf(to);
    return true;
}
