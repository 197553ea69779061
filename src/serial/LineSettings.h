#pragma once
#include <cstdint>

// The line a port is opened with. The settings dialog offers a fixed set of
// values, but a setup file can bring anything; the channel passes every value
// on by its mapping rules and lets the device reject what it cannot do.
struct LineSettings {
    uint16_t port = 1;
    uint32_t baud = 115200;
    char parity = 'E';
    uint16_t dataBits = 8;
    uint16_t stopBits = 1;

    friend bool operator==(const LineSettings&, const LineSettings&) = default;
};
