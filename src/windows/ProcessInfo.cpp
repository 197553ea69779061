#include "config/ProcessInfo.h"

#include <windows.h>

#include <cstdio>

bool ReadModulePath(char* out, size_t capacity) {
    if (capacity == 0) return false;
    const DWORD n = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(capacity));
    if (n == 0) {
        out[0] = '\0';
        return false;
    }
    out[capacity - 1] = '\0';
    return true;
}

bool ReadCommandLine(char* out, size_t capacity) {
    if (capacity == 0) return false;
    const char* line = GetCommandLineA();
    if (line == nullptr) {
        out[0] = '\0';
        return false;
    }
    snprintf(out, capacity, "%s", line);
    return true;
}
