#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/FileSystem.h"

namespace {

// A fuzz build saves a scratch file thousands of times a second; waiting for
// the disk at each save would slow it a hundredfold and protect nothing.
#ifdef QUORVANT_FILES_NO_SYNC
constexpr bool kSyncToDisk = false;
#else
constexpr bool kSyncToDisk = true;
#endif

constexpr mode_t kNewFileMode = 0666;  // the umask decides, as for fopen
constexpr mode_t kPermissionBits = 07777;
constexpr size_t kFolderPathCapacity = 4096;

// Never follows a link, never waits for the far end of a FIFO, and never
// makes a terminal the process's own.
constexpr int kAlways = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

using Refusal = FileSystem::Refusal;

Refusal RefusalOf(int error) {
    switch (error) {
        case ENOENT:
            return Refusal::Missing;
        case EACCES:
        case EPERM:
        case EROFS:
            return Refusal::Denied;
        case EEXIST:
        case ELOOP:
        case EISDIR:
        case ENXIO:
        case ENODEV:
        case ETXTBSY:
            return Refusal::NotPlain;
        default:
            return Refusal::Failed;
    }
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// What stands at path, looked at without opening it: opening a device can
// have effects of its own (a serial line raises its control lines).
Refusal LookAt(const char* path, bool mayBeMissing) {
    struct stat entry {};
    if (lstat(path, &entry) != 0) {
        return errno == ENOENT && mayBeMissing ? Refusal::None : RefusalOf(errno);
    }
    return S_ISREG(entry.st_mode) ? Refusal::None : Refusal::NotPlain;
}

// The file opened is a regular one (the name may have changed between the
// look and the open) with this one name when a second would be written
// through; then it blocks again like any file.
int Accept(int fd, bool oneName, Refusal& why) {
    if (fd < 0) {
        why = RefusalOf(errno);
        return -1;
    }
    struct stat opened {};
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) || (oneName && opened.st_nlink > 1) ||
        flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        why = Refusal::NotPlain;
        return -1;
    }
    why = Refusal::None;
    return fd;
}

// path still names the file held.
bool Names(int fd, const char* path) {
    struct stat held {};
    struct stat named {};
    return fstat(fd, &held) == 0 && lstat(path, &named) == 0 && S_ISREG(named.st_mode) &&
           SameFile(held, named);
}

// The rename lives in the folder; syncing it makes it last. Some file
// systems cannot sync a folder, and the rename has happened by then, so this
// is best effort.
void SyncFolderOf(const char* path) {
    if (!kSyncToDisk) return;
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

class PosixFileSystem final : public FileSystem {
  public:
    Handle OpenToRead(const char* path, Refusal& why) override {
        why = LookAt(path, false);
        if (why != Refusal::None) return kNoFile;
        return Accept(open(path, O_RDONLY | kAlways), false, why);
    }

    Handle CreateNew(const char* path, const char* modeOf, Refusal& why) override {
        // unlink takes a link or a stale file away itself, never what a link
        // leads to; the exclusive create refuses whatever appears in between.
        const int removed = unlink(path) == 0 || errno == ENOENT ? 0 : errno;
        const int fd =
            Accept(open(path, O_RDWR | O_CREAT | O_EXCL | kAlways, kNewFileMode), true, why);
        if (fd < 0) {
            // A folder that would not let the stale file go refuses the new
            // one too; say why, rather than that something stands there.
            if (why == Refusal::NotPlain && RefusalOf(removed) == Refusal::Denied) {
                why = Refusal::Denied;
            }
            return kNoFile;
        }
        struct stat model {};
        if (modeOf != nullptr && lstat(modeOf, &model) == 0 && S_ISREG(model.st_mode)) {
            fchmod(fd, model.st_mode & kPermissionBits);
            // Root saving a user's settings leaves them the user's.
            if (geteuid() == 0) {
                if (fchown(fd, model.st_uid, model.st_gid) != 0) {
                    fchmod(fd, model.st_mode & kPermissionBits & ~(S_ISUID | S_ISGID));
                }
            }
        }
        return fd;
    }

    Handle OpenToReplace(const char* path, Refusal& why) override {
        why = LookAt(path, true);
        if (why != Refusal::None) return kNoFile;
        // Not emptied on opening: only once it has proved to be a plain file.
        const int fd = Accept(open(path, O_WRONLY | O_CREAT | kAlways, kNewFileMode), true, why);
        if (fd >= 0 && ftruncate(fd, 0) != 0) {
            why = RefusalOf(errno);
            close(fd);
            return kNoFile;
        }
        return fd;
    }

    Handle OpenInPlace(const char* path, Refusal& why) override {
        why = LookAt(path, false);
        if (why != Refusal::None) return kNoFile;
        return Accept(open(path, O_RDWR | kAlways), true, why);
    }

    bool ReadAt(Handle file, uint64_t offset, char* out, size_t capacity, size_t& count) override {
        count = 0;
        ssize_t got;
        do {
            got = pread(Fd(file), out, capacity, static_cast<off_t>(offset));
        } while (got < 0 && errno == EINTR);
        if (got < 0) return false;
        count = static_cast<size_t>(got);
        return true;
    }

    bool Write(Handle file, const char* bytes, size_t length) override {
        while (length > 0) {
            const ssize_t written = write(Fd(file), bytes, length);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            bytes += written;
            length -= static_cast<size_t>(written);
        }
        return true;
    }

    bool WriteAt(Handle file, uint64_t offset, const char* bytes, size_t length) override {
        ssize_t written;
        do {
            written = pwrite(Fd(file), bytes, length, static_cast<off_t>(offset));
        } while (written < 0 && errno == EINTR);
        return written == static_cast<ssize_t>(length);
    }

    bool Truncate(Handle file, uint64_t length) override {
        return ftruncate(Fd(file), static_cast<off_t>(length)) == 0;
    }

    bool Size(Handle file, uint64_t& length) override {
        struct stat entry {};
        if (fstat(Fd(file), &entry) != 0) return false;
        length = static_cast<uint64_t>(entry.st_size);
        return true;
    }

    bool Sync(Handle file) override { return !kSyncToDisk || fsync(Fd(file)) == 0; }

    bool Close(Handle file) override { return close(Fd(file)) == 0; }

    // The check that from still names the file held and the rename are two
    // calls; exchanging the two names and looking again closes the gap: what
    // took the file's place in between goes back to from, and the old file
    // to its name.
    bool MoveInto(Handle file, const char* from, const char* to) override {
        if (!Names(Fd(file), from) || LookAt(to, true) != Refusal::None) return false;
        if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE) == 0) {
            if (!Names(Fd(file), to)) {
                renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
                return false;
            }
            // from names the old file now.
            unlink(from);
        } else if (errno == ENOENT) {
            if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0) return false;
            if (!Names(Fd(file), to)) {
                renameat2(AT_FDCWD, to, AT_FDCWD, from, RENAME_NOREPLACE);
                return false;
            }
        } else if (errno == EINVAL || errno == ENOSYS) {
            // A file system that cannot exchange: the look above must do.
            if (rename(from, to) != 0) return false;
        } else {
            return false;
        }
        SyncFolderOf(to);
        return true;
    }

    bool Remove(Handle file, const char* path) override {
        return Names(Fd(file), path) && unlink(path) == 0;
    }

    bool MoveAside(const char* from, const char* to) override {
        if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) {
            SyncFolderOf(to);
            return true;
        }
        if (errno != EINVAL && errno != ENOSYS) return false;
        // A second name first, which fails when to is taken.
        if (link(from, to) != 0) return false;
        if (unlink(from) != 0) {
            unlink(to);
            return false;
        }
        SyncFolderOf(to);
        return true;
    }

  private:
    static int Fd(Handle file) { return static_cast<int>(file); }
};

}  // namespace

FileSystem& PlatformFileSystem() {
    static PosixFileSystem files;
    return files;
}
