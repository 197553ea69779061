#pragma once
// A clock that stands still, so that whatever carries the time (the setup
// file's LastAccess, the clock field) can be compared byte for byte.
#include <cstdint>

#include "config/TimeSource.h"

// A LocalTime from plain numbers, each cut to its field's width.
inline LocalTime LocalTimeAt(unsigned year, unsigned month, unsigned day, unsigned hour,
                             unsigned minute, unsigned second) {
    LocalTime t;
    t.year = static_cast<uint16_t>(year);
    t.month = static_cast<uint8_t>(month);
    t.day = static_cast<uint8_t>(day);
    t.hour = static_cast<uint8_t>(hour);
    t.minute = static_cast<uint8_t>(minute);
    t.second = static_cast<uint8_t>(second);
    return t;
}

class FixedClock : public TimeSource {
  public:
    // 06.12.26 06:10:00 unless a test needs another moment.
    static constexpr LocalTime kDefaultTime{2026, 12, 6, 6, 10, 0};

    explicit FixedClock(LocalTime at = kDefaultTime) : now(at) {}
    LocalTime Now() override { return now; }

    LocalTime now;
};
