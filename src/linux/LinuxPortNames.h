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
    // a directory too long to hold is ignored the same way.
    explicit LinuxPortNames(const char* programDirectory);

    bool DeviceName(uint16_t port, char* out, size_t capacity) const override;
    // stat() only: a port is present when its name leads to a character
    // device. A device in use elsewhere counts as present.
    bool Exists(uint16_t port) const override;

  private:
    bool OverridePath(uint16_t port, char* out, size_t capacity) const;

    char directory[kPathCapacity] = {};
};
