#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "config/RegularFile.h"

namespace {

constexpr mode_t kNewFileMode = 0666;  // the umask decides, as for fopen

}  // namespace

std::FILE* CreateRegularFile(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    // Not emptied on opening: only once it has proved to be a plain file.
    // O_NONBLOCK keeps a FIFO without a reader from holding the thread.
    const int fd = open(path, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                        kNewFileMode);
    if (fd < 0) return nullptr;
    struct stat entry {};
    const int flags = fcntl(fd, F_GETFL);
    // A second name is a hard link planted there: another file's bytes.
    if (fstat(fd, &entry) != 0 || !S_ISREG(entry.st_mode) || entry.st_nlink > 1 || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 || ftruncate(fd, 0) != 0) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
}
