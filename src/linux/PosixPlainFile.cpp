#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "config/PlainFile.h"

namespace {

std::FILE* StreamOf(int fd, const char* mode) {
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, mode);
    if (file == nullptr) close(fd);
    return file;
}

}  // namespace

std::FILE* OpenPlainFileForReading(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    // Opening a device can have effects of its own (a serial line raises its
    // control lines), so nothing but a regular file is opened at all; the
    // second look catches a swap between the two.
    struct stat before {};
    if (stat(path, &before) != 0 || !S_ISREG(before.st_mode)) return nullptr;
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat opened {};
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return StreamOf(fd, "rb");
}

std::FILE* CreateFreshFile(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return nullptr;
    }
    // unlink takes a link away itself, never what it points to.
    const int removed = unlink(path) == 0 || errno == ENOENT ? 0 : errno;
    const int fd =
        open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
    // A folder that would not let the stale file go refuses the new one too;
    // say why, rather than that something stands there.
    if (fd < 0 && errno == EEXIST && removed != 0) errno = removed;
    return StreamOf(fd, "wb");
}
