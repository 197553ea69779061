#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "config/RegularFile.h"

namespace {

constexpr DWORD kRefusedAttributes = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;

}  // namespace

// The root of C: is shared by every user of the machine, so a link planted
// there is opened as itself (never followed) and refused, and so is a hard
// link: a second name of some other file.
std::FILE* CreateRegularFile(const char* path) {
    if (path == nullptr || path[0] == '\0') return nullptr;
    HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    BY_HANDLE_FILE_INFORMATION info{};
    // Not emptied on opening: only once it has proved to be a plain file.
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info) ||
        (info.dwFileAttributes & kRefusedAttributes) != 0 || info.nNumberOfLinks > 1 ||
        !SetEndOfFile(handle)) {
        CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) _close(fd);
    return file;
}
