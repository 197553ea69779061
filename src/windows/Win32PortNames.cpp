#include "Win32PortNames.h"

#include <windows.h>

#include <cstdio>

#include "text/FormatFits.h"

namespace {

// Room for the longest port name, "COM65535".
constexpr size_t kDosNameCapacity = 16;
// The target path is not used, but the query needs somewhere to put it.
constexpr DWORD kTargetCapacity = 5000;

}  // namespace

bool Win32PortNames::DeviceName(uint16_t port, char* out, size_t capacity) const {
    return FormatFits(out, capacity, "\\\\.\\COM%u", static_cast<unsigned>(port));
}

bool Win32PortNames::Exists(uint16_t port) const {
    char name[kDosNameCapacity];
    if (!FormatFits(name, sizeof name, "COM%u", static_cast<unsigned>(port))) return false;
    char target[kTargetCapacity];
    return QueryDosDeviceA(name, target, kTargetCapacity) != 0;
}
