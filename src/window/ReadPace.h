#pragma once
#include <cstdint>

#include "serial/LineSettings.h"
#include "serial/SerialPort.h"

// How much a poll tick reads and how large a backlog it works off rather than
// drops, for a line. Up to 115200 baud a tick reads 1200 bytes and more than
// 10000 waiting bytes are dropped. Faster lines carry more than 1200 bytes a
// tick: there a tick reads what the line carries in two ticks at its framing
// (so a late tick is caught up by the next one), and the backlog may grow to
// ten ticks of the line before it counts as lost, but never to what the
// driver's input queue holds (a full queue loses bytes by itself).
struct ReadPace {
    // The fastest line read in full: what USB adapters run, beyond the
    // settings dialog's 921600 (a setup file may name it).
    static constexpr uint32_t kFastestBaud = 4000000;
    // The receive buffer: two ticks of the fastest line at the narrowest
    // frame (5 data bits, no parity, one stop bit: 7 bits a byte).
    static constexpr uint32_t kReadCapacity = (kFastestBaud * 2 + 69) / 70;
    // The backlog limit stays below the input queue by a read's room.
    static constexpr uint32_t kMostBacklog = SerialPort::kInputQueueBytes - kReadCapacity;
    static constexpr uint32_t kBaseBudget = 1200;
    static constexpr uint32_t kBaseBacklogLimit = 10000;
    static constexpr uint32_t kBaseBaud = 115200;

    uint32_t readBudget = kBaseBudget;
    uint32_t backlogLimit = kBaseBacklogLimit;

    static ReadPace For(const LineSettings& line);
};
