#include <windows.h>

#include "config/FileReplace.h"

namespace {

// The data goes to the disk before the move: otherwise a crash soon after
// could leave the new name on a file whose contents were never written.
bool FlushFile(const char* path) {
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    return CloseHandle(file) != 0 && flushed;
}

}  // namespace

// The C runtime's rename refuses an existing target, and deleting the target
// first leaves a moment without any file; the move replaces it in one call and
// returns only when the change is on the disk.
bool ReplaceFileInOneStep(const char* from, const char* to) {
    if (from == nullptr || to == nullptr || !FlushFile(from)) return false;
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
