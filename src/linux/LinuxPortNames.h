#pragma once
#include <cstddef>
#include <cstdint>

#include "serial/PortNames.h"

// Port n is <programDirectory>ports/comN when that entry exists (a symlink to
// any tty, the way a pty or a virtual null modem is wired in), otherwise a
// fixed table of the usual Linux serial device names, 32 numbers per family:
// COM1-32 ttyS, COM33-64 ttyUSB, COM65-96 ttyACM, COM97-128 rfcomm,
// COM129-160 ttyAMA. Numbers above that name nothing.
class LinuxPortNames final : public PortNames {
  public:
    static constexpr uint16_t kHighestPort = 160;
    static constexpr size_t kPathCapacity = 4096;

    // programDirectory ends in '/' or is empty (then only the table applies);
    // a directory too long to hold is ignored the same way. sysfsRoot and
    // serialByIdFolder are where the kernel's device tree and the adapters'
    // stable names are found; tests point them at a folder of their own.
    explicit LinuxPortNames(const char* programDirectory, const char* sysfsRoot = "/sys",
                            const char* serialByIdFolder = "/dev/serial/by-id");

    bool DeviceName(uint16_t port, char* out, size_t capacity) const override;
    // Never opens the device, so a device in use elsewhere counts as present.
    // A ports/comN entry counts when it leads to a character device. Every PC
    // kernel makes ttyS0 to ttyS31 whether or not a UART is behind them, so a
    // ttyS port counts only when sysfs reports a UART type other than 0 for
    // it; the other families count when their device node is there. The
    // console's port does not count: the program never opens it.
    bool Exists(uint16_t port) const override;
    // The port is there and carries the kernel's console.
    bool Withheld(uint16_t port) const override;
    // The device behind the port (a ports/comN link resolved), followed by
    // its name in serialByIdFolder in brackets when it has one there, and by
    // " (console)" or " (no permission)" when this user cannot have it.
    bool Describe(uint16_t port, char* out, size_t capacity) const override;

    // True when the port leads to a device that carries the kernel's console
    // (sysfs lists it in class/tty/console/active). Such a port is never
    // opened: the terminal would take the console's input away and mix its
    // bytes into the system's messages.
    bool IsConsole(uint16_t port) const;

  private:
    bool OverridePath(uint16_t port, char* out, size_t capacity) const;
    bool DevicePresent(uint16_t port) const;
    bool ResolvedDevice(uint16_t port, char* out, size_t capacity) const;
    bool ConsoleCarries(const char* device) const;
    bool SysfsReportsUart(unsigned index) const;
    bool FindStableName(const char* device, char* out, size_t capacity) const;

    char directory[kPathCapacity] = {};
    char sysfs[kPathCapacity] = {};
    char byId[kPathCapacity] = {};
};

// True when the kernel's list of active consoles (names such as "tty0 ttyS0",
// as sysfs gives them, blank-separated) holds the device at devicePath, a
// path under /dev.
bool ConsoleListNames(const char* activeList, const char* devicePath);
