#pragma once
#include <cstdint>

#include "serial/LineSettings.h"

// How much a poll tick reads and how large a backlog it works off rather than
// drops, for a line. Up to 115200 baud a tick reads 1200 bytes and more than
// 10000 waiting bytes are dropped. Faster lines carry more than 1200 bytes a
// tick: there a tick reads what the line carries in two ticks at its framing
// (so a late tick is caught up by the next one), and the backlog may grow to
// ten ticks of the line before it counts as lost.
struct ReadPace {
    // The receive buffer, large enough for two ticks of the fastest line the
    // settings dialog offers (921600 baud, 7 data bits, no parity).
    static constexpr uint32_t kReadCapacity = 32768;
    static constexpr uint32_t kBaseBudget = 1200;
    static constexpr uint32_t kBaseBacklogLimit = 10000;
    static constexpr uint32_t kBaseBaud = 115200;

    uint32_t readBudget = kBaseBudget;
    uint32_t backlogLimit = kBaseBacklogLimit;

    static ReadPace For(const LineSettings& line);
};
