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
    // A port that is there but that the program never opens (the one that
    // carries the system's console): the list shows it absent, and its
    // description still says what it is. Only asked of ports Exists denies.
    virtual bool Withheld(uint16_t /*port*/) const { return false; }
    // What a person choosing port n should know of it beyond its number, such
    // as the device behind it and the adapter's own name, zero-terminated in
    // out. False when the platform has nothing to add, which is the default.
    virtual bool Describe(uint16_t /*port*/, char* /*out*/, size_t /*capacity*/) const {
        return false;
    }
};
