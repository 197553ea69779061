#include "LinuxPortNames.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
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
constexpr unsigned kUartFamily = 0;

// sysfs writes the UART type as a decimal number and a line end; 0 is the
// kernel's "unknown", a node without a UART behind it.
constexpr size_t kTypeTextCapacity = 16;
// Room for the list of active consoles; a machine has a handful at most.
constexpr size_t kConsoleListCapacity = 512;

constexpr char kUartTypeSuffix[] = "/class/tty/ttyS31/type";
constexpr char kConsoleListSuffix[] = "/class/tty/console/active";
constexpr size_t kSysfsSuffixRoom = sizeof(kConsoleListSuffix) > sizeof(kUartTypeSuffix)
                                        ? sizeof(kConsoleListSuffix)
                                        : sizeof(kUartTypeSuffix);
constexpr char kDeviceFolder[] = "/dev/";

// Keeps the text when it fits with room to spare, else leaves out empty.
void CopyPath(char (&out)[LinuxPortNames::kPathCapacity], const char* text, size_t reserve) {
    if (text == nullptr) return;
    const size_t length = strlen(text);
    if (length + reserve >= LinuxPortNames::kPathCapacity) return;
    memcpy(out, text, length + 1);
}

const char* BaseName(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

}  // namespace

LinuxPortNames::LinuxPortNames(const char* programDirectory, const char* sysfsRoot,
                               const char* serialByIdFolder) {
    // Room for what each path is extended with, so that no path is cut.
    CopyPath(sysfs, sysfsRoot, kSysfsSuffixRoom);
    CopyPath(byId, serialByIdFolder, NAME_MAX + 2);
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
    return DevicePresent(port) && !IsConsole(port);
}

bool LinuxPortNames::Withheld(uint16_t port) const {
    return DevicePresent(port) && IsConsole(port);
}

bool LinuxPortNames::DevicePresent(uint16_t port) const {
    if (port == 0) return false;
    char path[kPathCapacity];
    const bool linked = OverridePath(port, path, sizeof(path));
    if (!linked) {
        if (port > kHighestPort) return false;
        const unsigned index = port - 1u;
        if (index / kPortsPerFamily == kUartFamily) return SysfsReportsUart(index);
        if (!DeviceName(port, path, sizeof(path))) return false;
    }
    struct stat target {};
    return stat(path, &target) == 0 && S_ISCHR(target.st_mode);
}

// Reads the kernel's own record; the device node itself is never touched
// (opening a ttyS node without a UART can hang, and ttyS0 may be the console).
bool LinuxPortNames::SysfsReportsUart(unsigned index) const {
    if (sysfs[0] == '\0') return false;
    char path[kPathCapacity];
    if (!FormatFits(path, sizeof(path), "%s/class/tty/ttyS%u/type", sysfs, index)) return false;
    FILE* file = fopen(path, "re");
    if (file == nullptr) return false;
    char text[kTypeTextCapacity] = {};
    const size_t length = fread(text, 1, sizeof(text) - 1, file);
    fclose(file);
    text[length] = '\0';
    char* end = nullptr;
    const unsigned long type = strtoul(text, &end, 10);
    return end != text && type != 0;
}

// A ports/comN link counts by what it leads to: the console stays the console
// under any other name.
bool LinuxPortNames::ResolvedDevice(uint16_t port, char* out, size_t capacity) const {
    if (port == 0) return false;
    char path[kPathCapacity];
    if (!OverridePath(port, path, sizeof(path))) return DeviceName(port, out, capacity);
    char device[PATH_MAX];
    if (realpath(path, device) == nullptr) return false;
    return FormatFits(out, capacity, "%s", device);
}

bool LinuxPortNames::Describe(uint16_t port, char* out, size_t capacity) const {
    if (out == nullptr || capacity == 0) return false;
    out[0] = '\0';
    char device[PATH_MAX];
    if (!ResolvedDevice(port, device, sizeof(device))) return false;
    // Only a refusal is worth a mark: a node that is missing says nothing
    // about this user's rights.
    const char* mark = "";
    if (ConsoleCarries(device)) {
        mark = " (console)";
    } else if (access(device, R_OK | W_OK) != 0 && errno == EACCES) {
        mark = " (no permission)";
    }
    char stable[NAME_MAX + 1];
    if (FindStableName(device, stable, sizeof(stable))) {
        return FormatFits(out, capacity, "%s (%s)%s", device, stable, mark);
    }
    return FormatFits(out, capacity, "%s%s", device, mark);
}

bool LinuxPortNames::IsConsole(uint16_t port) const {
    char device[PATH_MAX];
    return ResolvedDevice(port, device, sizeof(device)) && ConsoleCarries(device);
}

bool LinuxPortNames::ConsoleCarries(const char* device) const {
    if (sysfs[0] == '\0') return false;
    char path[kPathCapacity];
    if (!FormatFits(path, sizeof(path), "%s%s", sysfs, kConsoleListSuffix)) return false;
    FILE* file = fopen(path, "re");
    if (file == nullptr) return false;
    char list[kConsoleListCapacity] = {};
    const size_t length = fread(list, 1, sizeof(list) - 1, file);
    fclose(file);
    list[length] = '\0';
    return ConsoleListNames(list, device);
}

// An adapter's entry in the by-id folder is a relative link to its node, named
// after maker, product and serial number; it is found by the node's name.
bool LinuxPortNames::FindStableName(const char* device, char* out, size_t capacity) const {
    if (byId[0] == '\0') return false;
    DIR* folder = opendir(byId);
    if (folder == nullptr) return false;
    const char* wanted = BaseName(device);
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(folder);
        if (entry == nullptr) break;
        if (entry->d_name[0] == '.') continue;
        char link[kPathCapacity];
        if (!FormatFits(link, sizeof(link), "%s/%s", byId, entry->d_name)) continue;
        char target[kPathCapacity];
        const ssize_t length = readlink(link, target, sizeof(target) - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        if (strcmp(BaseName(target), wanted) != 0) continue;
        found = FormatFits(out, capacity, "%s", entry->d_name);
    }
    closedir(folder);
    return found;
}

bool ConsoleListNames(const char* activeList, const char* devicePath) {
    if (activeList == nullptr || devicePath == nullptr) return false;
    constexpr size_t kFolderLength = sizeof(kDeviceFolder) - 1;
    if (strncmp(devicePath, kDeviceFolder, kFolderLength) != 0) return false;
    const char* name = devicePath + kFolderLength;
    const size_t nameLength = strlen(name);
    if (nameLength == 0) return false;
    const auto isBlank = [](char c) { return isspace(static_cast<unsigned char>(c)) != 0; };
    const char* cursor = activeList;
    while (*cursor != '\0') {
        while (isBlank(*cursor)) ++cursor;
        const char* start = cursor;
        while (*cursor != '\0' && !isBlank(*cursor)) ++cursor;
        const size_t length = static_cast<size_t>(cursor - start);
        if (length == nameLength && memcmp(start, name, length) == 0) return true;
    }
    return false;
}
