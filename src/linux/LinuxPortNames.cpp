#include "LinuxPortNames.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "text/FormatFits.h"

namespace {

constexpr uint16_t kPortsPerFamily = 32;
// In port order: COM1 is the first of the first family.
constexpr const char* kFamilies[] = {"/dev/ttyS", "/dev/ttyUSB", "/dev/ttyACM", "/dev/rfcomm",
                                     "/dev/ttyAMA"};
static_assert(sizeof(kFamilies) / sizeof(kFamilies[0]) * kPortsPerFamily ==
              LinuxPortNames::kHighestPort);

}  // namespace

LinuxPortNames::LinuxPortNames(const char* programDirectory) {
    if (programDirectory == nullptr) return;
    const size_t length = strlen(programDirectory);
    if (length == 0) return;
    const bool needsSlash = programDirectory[length - 1] != '/';
    // Room for the directory, a slash and "ports/com65535" keeps every
    // override path whole; a cut directory would name some other place.
    constexpr size_t kSuffixRoom = sizeof("/ports/com65535");
    if (length + kSuffixRoom > kPathCapacity) return;
    memcpy(directory, programDirectory, length);
    if (needsSlash) directory[length] = '/';
}

// The override entry decides as soon as it is there, even when its target is
// gone: a dangling ports/com1 must not fall back to /dev/ttyS0, which on many
// machines is the console.
bool LinuxPortNames::OverridePath(uint16_t port, char* out, size_t capacity) const {
    if (directory[0] == '\0') return false;
    if (!FormatFits(out, capacity, "%sports/com%u", directory, static_cast<unsigned>(port)))
        return false;
    struct stat entry {};
    return lstat(out, &entry) == 0;
}

bool LinuxPortNames::DeviceName(uint16_t port, char* out, size_t capacity) const {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    if (port == 0) return false;
    char path[kPathCapacity];
    if (OverridePath(port, path, sizeof(path))) return FormatFits(out, capacity, "%s", path);
    if (port > kHighestPort) return false;
    const unsigned index = port - 1u;
    return FormatFits(out, capacity, "%s%u", kFamilies[index / kPortsPerFamily],
                      index % kPortsPerFamily);
}

bool LinuxPortNames::Exists(uint16_t port) const {
    char path[kPathCapacity];
    if (!DeviceName(port, path, sizeof(path))) return false;
    struct stat target {};
    return stat(path, &target) == 0 && S_ISCHR(target.st_mode);
}
