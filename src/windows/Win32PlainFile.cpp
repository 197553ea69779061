#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "config/PlainFile.h"

namespace {

std::FILE* StreamOf(HANDLE handle, int flags, const char* mode) {
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), flags);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, mode);
    if (file == nullptr) _close(fd);
    return file;
}

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return EACCES;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        default:
            return ENOENT;
    }
}

}  // namespace

std::FILE* OpenPlainFileForReading(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return nullptr;
    }
    const HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    // A reserved device name (CON, COM1, a pipe) opens as something that is
    // no file on a disk and may never answer a read.
    if (GetFileType(handle) != FILE_TYPE_DISK) {
        CloseHandle(handle);
        return nullptr;
    }
    return StreamOf(handle, _O_RDONLY | _O_BINARY, "rb");
}

std::FILE* CreateFreshFile(const char* path) {
    if (path == nullptr || path[0] == '\0') {
        errno = ENOENT;
        return nullptr;
    }
    // DeleteFile takes a link away itself, never what it points to.
    const DWORD removed =
        DeleteFileA(path) != 0 || GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : GetLastError();
    const HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = ErrnoOf(error == ERROR_FILE_EXISTS && removed != 0 ? removed : error);
        return nullptr;
    }
    return StreamOf(handle, _O_WRONLY | _O_BINARY, "wb");
}
