#pragma once
#include <cstddef>
#include <cstdint>

#include "serial/PortNames.h"

// Port n is the DOS device COMn; whether it exists is asked of the DOS device
// table, which never opens the port, so a port in use elsewhere still counts.
class Win32PortNames : public PortNames {
  public:
    bool DeviceName(uint16_t port, char* out, size_t capacity) const override;
    bool Exists(uint16_t port) const override;
};
