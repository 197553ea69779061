#pragma once
#include <cstddef>
#include <cstdint>

// Every file the program reads or writes (the setup file, the screenshot
// saved, the log) goes through this one seam, under one policy: only a
// regular file is ever opened, without waiting (a FIFO or a device at the
// name is refused at once), never through a link planted at the name, and a
// file once open is held by its handle until it is closed: syncing, moving
// into place and removing act on that file, never on whatever a name
// happens to lead to by then. Each platform layer implements it once.
class FileSystem {
  public:
    // An open file of the platform; kNoFile when none.
    using Handle = intptr_t;
    static constexpr Handle kNoFile = -1;

    // Why an open failed.
    enum class Refusal : uint8_t {
        None,
        Missing,   // nothing stands at the name
        NotPlain,  // a link, FIFO, device or folder; or a file with a second name
        Denied,    // the folder or the file's permissions refuse
        Failed,    // anything else (a disk gone, a name too long)
    };

    virtual ~FileSystem() = default;

    // The regular file at path, for reading.
    virtual Handle OpenToRead(const char* path, Refusal& why) = 0;
    // A file made by this call at path, which must be free or hold a file
    // whose name only is taken away (a stale side file, or a link, which is
    // removed, never followed). It gets the permissions of the regular file at
    // modeOf, when one stands there, so a private file stays private.
    virtual Handle CreateNew(const char* path, const char* modeOf, Refusal& why) = 0;
    // The regular file at path with no other name, or a new one, emptied:
    // for a file the user chose to replace, and for the log.
    virtual Handle OpenToReplace(const char* path, Refusal& why) = 0;
    // The regular file at path with no other name, for rewriting as it is.
    virtual Handle OpenInPlace(const char* path, Refusal& why) = 0;

    // Reads up to capacity bytes from offset; the count read, 0 at the end;
    // false on an error.
    virtual bool ReadAt(Handle file, uint64_t offset, char* out, size_t capacity,
                        size_t& count) = 0;
    // Appends all of bytes; false when not all were written.
    virtual bool Write(Handle file, const char* bytes, size_t length) = 0;
    // Writes all of bytes at offset in one call of the system.
    virtual bool WriteAt(Handle file, uint64_t offset, const char* bytes, size_t length) = 0;
    virtual bool Truncate(Handle file, uint64_t length) = 0;
    virtual bool Size(Handle file, uint64_t& length) = 0;
    // Returns when the file's bytes are on the disk.
    virtual bool Sync(Handle file) = 0;
    virtual bool Close(Handle file) = 0;

    // Gives the file held, created at from, the name to in one step, replacing
    // what stands there: only while from still names this very file, so that
    // nothing put at from in between takes the place. False, with to as it
    // was, otherwise.
    virtual bool MoveInto(Handle file, const char* from, const char* to) = 0;
    // Takes the name path away from the file held, when it still names it.
    virtual bool Remove(Handle file, const char* path) = 0;
    // Gives the file at from the name to, which must be free: nothing that
    // stands at to is ever replaced.
    virtual bool MoveAside(const char* from, const char* to) = 0;
};

// The platform's file system; each platform layer defines it.
FileSystem& PlatformFileSystem();
