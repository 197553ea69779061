#pragma once
#include <cstdint>

// A broken-down local time.
struct LocalTime {
    uint16_t year = 2000;  // full year, e.g. 2026
    uint8_t month = 1;     // 1..12
    uint8_t day = 1;       // 1..31
    uint8_t hour = 0;      // 0..23
    uint8_t minute = 0;
    uint8_t second = 0;
    uint16_t millisecond = 0;  // 0..999
};

// The one source of local time; tests replace it with a fixed clock.
class TimeSource {
  public:
    virtual ~TimeSource() = default;
    virtual LocalTime Now() = 0;
};
