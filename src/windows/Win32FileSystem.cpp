#include <windows.h>

#include <cstdint>
#include <cstring>

#include "config/FileSystem.h"

namespace {

using Refusal = FileSystem::Refusal;

// Neither a link nor a junction is followed: each is a reparse point, and
// opened as itself it shows as one.
constexpr DWORD kRefusedAttributes = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
constexpr DWORD kOpenFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
// Nobody may rename or delete a file while the program holds it: so nothing
// can take the place of a side file between its steps.
constexpr DWORD kShareReading = FILE_SHARE_READ;
constexpr size_t kWidePathCapacity = 1024;

#ifdef QUORVANT_FILES_NO_SYNC
constexpr bool kSyncToDisk = false;
#else
constexpr bool kSyncToDisk = true;
#endif

Refusal RefusalOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return Refusal::Missing;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return Refusal::Denied;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
        case ERROR_CANT_ACCESS_FILE:
            return Refusal::NotPlain;
        default:
            // A file another program holds (ERROR_SHARING_VIOLATION) among
            // them: it is no reason to write the setup file in place.
            return Refusal::Failed;
    }
}

// What stands at path, looked at without opening it; a folder is refused
// here, since opening one fails as if access were denied.
Refusal LookAt(const char* path, bool mayBeMissing) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const Refusal why = RefusalOf(GetLastError());
        return why == Refusal::Missing && mayBeMissing ? Refusal::None : why;
    }
    return (attributes & kRefusedAttributes) != 0 ? Refusal::NotPlain : Refusal::None;
}

// The handle is a file on a disk (a reserved device name such as NUL or COM1
// opens as something else, which may never answer), neither a link nor a
// folder, with this one name when a second would be written through.
FileSystem::Handle Accept(HANDLE handle, bool oneName, Refusal& why) {
    if (handle == INVALID_HANDLE_VALUE) {
        why = RefusalOf(GetLastError());
        return FileSystem::kNoFile;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & kRefusedAttributes) != 0 || (oneName && info.nNumberOfLinks > 1)) {
        CloseHandle(handle);
        why = Refusal::NotPlain;
        return FileSystem::kNoFile;
    }
    why = Refusal::None;
    return reinterpret_cast<FileSystem::Handle>(handle);
}

HANDLE Native(FileSystem::Handle file) {
    return reinterpret_cast<HANDLE>(file);
}

OVERLAPPED At(uint64_t offset) {
    OVERLAPPED position{};
    position.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    position.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return position;
}

class Win32FileSystem final : public FileSystem {
  public:
    Handle OpenToRead(const char* path, Refusal& why) override {
        why = LookAt(path, false);
        if (why != Refusal::None) return kNoFile;
        return Accept(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, kOpenFlags, nullptr),
                      false, why);
    }

    // The folder's permissions pass to the new file by themselves.
    Handle CreateNew(const char* path, const char* /*modeOf*/, Refusal& why) override {
        // DeleteFile takes a link away itself, never what it leads to.
        const DWORD removed =
            DeleteFileA(path) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();
        const Handle file =
            Accept(CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, kShareReading, nullptr,
                               CREATE_NEW, kOpenFlags, nullptr),
                   true, why);
        if (file == kNoFile && why == Refusal::NotPlain && removed != 0) why = RefusalOf(removed);
        // A folder at the name refuses as if access were denied; it is
        // something standing there, not a folder that refuses new files.
        if (file == kNoFile && LookAt(path, true) == Refusal::NotPlain) why = Refusal::NotPlain;
        return file;
    }

    Handle OpenToReplace(const char* path, Refusal& why) override {
        why = LookAt(path, true);
        if (why != Refusal::None) return kNoFile;
        // Not emptied on opening: only once it has proved to be a plain file.
        const Handle file = Accept(CreateFileA(path, GENERIC_WRITE, kShareReading, nullptr,
                                               OPEN_ALWAYS, kOpenFlags, nullptr),
                                   true, why);
        if (file != kNoFile && !SetEndOfFile(Native(file))) {
            why = RefusalOf(GetLastError());
            CloseHandle(Native(file));
            return kNoFile;
        }
        return file;
    }

    Handle OpenInPlace(const char* path, Refusal& why) override {
        why = LookAt(path, false);
        if (why != Refusal::None) return kNoFile;
        return Accept(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, kShareReading, nullptr,
                                  OPEN_EXISTING, kOpenFlags, nullptr),
                      true, why);
    }

    bool ReadAt(Handle file, uint64_t offset, char* out, size_t capacity, size_t& count) override {
        count = 0;
        OVERLAPPED position = At(offset);
        DWORD got = 0;
        if (!ReadFile(Native(file), out, static_cast<DWORD>(capacity), &got, &position)) {
            return GetLastError() == ERROR_HANDLE_EOF;
        }
        count = got;
        return true;
    }

    bool Write(Handle file, const char* bytes, size_t length) override {
        while (length > 0) {
            DWORD written = 0;
            if (!WriteFile(Native(file), bytes, static_cast<DWORD>(length), &written, nullptr) ||
                written == 0) {
                return false;
            }
            bytes += written;
            length -= written;
        }
        return true;
    }

    bool WriteAt(Handle file, uint64_t offset, const char* bytes, size_t length) override {
        OVERLAPPED position = At(offset);
        DWORD written = 0;
        return WriteFile(Native(file), bytes, static_cast<DWORD>(length), &written, &position) &&
               written == length;
    }

    bool Truncate(Handle file, uint64_t length) override {
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(length);
        return SetFilePointerEx(Native(file), end, nullptr, FILE_BEGIN) &&
               SetEndOfFile(Native(file));
    }

    bool Size(Handle file, uint64_t& length) override {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(Native(file), &size)) return false;
        length = static_cast<uint64_t>(size.QuadPart);
        return true;
    }

    bool Sync(Handle file) override { return !kSyncToDisk || FlushFileBuffers(Native(file)); }

    bool Close(Handle file) override { return CloseHandle(Native(file)) != 0; }

    // The file held is renamed, not whatever the name leads to: so from is
    // not looked at.
    bool MoveInto(Handle file, const char* /*from*/, const char* to) override {
        union {
            FILE_RENAME_INFO info;
            char bytes[sizeof(FILE_RENAME_INFO) + kWidePathCapacity * sizeof(WCHAR)];
        } rename{};
        const int length = MultiByteToWideChar(CP_ACP, 0, to, -1, rename.info.FileName,
                                               static_cast<int>(kWidePathCapacity));
        if (length <= 1) return false;
        rename.info.ReplaceIfExists = TRUE;
        rename.info.RootDirectory = nullptr;
        rename.info.FileNameLength = static_cast<DWORD>((length - 1) * sizeof(WCHAR));
        return SetFileInformationByHandle(Native(file), FileRenameInfo, &rename, sizeof(rename)) !=
               0;
    }

    bool Remove(Handle file, const char* /*path*/) override {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = TRUE;
        return SetFileInformationByHandle(Native(file), FileDispositionInfo, &disposition,
                                          sizeof(disposition)) != 0;
    }

    bool MoveAside(const char* from, const char* to) override {
        return MoveFileExA(from, to, MOVEFILE_WRITE_THROUGH) != 0;
    }
};

}  // namespace

FileSystem& PlatformFileSystem() {
    static Win32FileSystem files;
    return files;
}
