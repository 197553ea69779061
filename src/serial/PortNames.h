#pragma once
#include <cstddef>
#include <cstdint>

// Which device port number n means on this machine, and whether it is there.
// Probing never opens the device.
class PortNames {
  public:
    virtual ~PortNames() = default;
    // Writes the device name of port n into out (zero-terminated); false when
    // the name does not fit.
    virtual bool DeviceName(uint16_t port, char* out, size_t capacity) const = 0;
    virtual bool Exists(uint16_t port) const = 0;
};
