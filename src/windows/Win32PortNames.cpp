#include "Win32PortNames.h"

#include <windows.h>

#include <cstdio>

namespace {

// Room for the longest port name, "COM65535".
constexpr size_t kDosNameCapacity = 16;
// The target path is not used, but the query needs somewhere to put it.
constexpr DWORD kTargetCapacity = 5000;

bool Format(char* out, size_t capacity, const char* format, uint16_t port) {
    if (out == nullptr || capacity == 0) return false;
    const int n = snprintf(out, capacity, format, static_cast<unsigned>(port));
    if (n < 0 || static_cast<size_t>(n) >= capacity) {
        out[0] = '\0';
        return false;
    }
    return true;
}

}  // namespace

bool Win32PortNames::DeviceName(uint16_t port, char* out, size_t capacity) const {
    return Format(out, capacity, "\\\\.\\COM%u", port);
}

bool Win32PortNames::Exists(uint16_t port) const {
    char name[kDosNameCapacity];
    if (!Format(name, sizeof name, "COM%u", port)) return false;
    char target[kTargetCapacity];
    return QueryDosDeviceA(name, target, kTargetCapacity) != 0;
}
