#include "config/ClockText.h"

#include <cstdio>

namespace {

// Every field is shown with two digits; taking each modulo 100 keeps both
// texts at their fixed widths even for a year outside 2000..2099 or a time
// source that reports nonsense.
unsigned TwoDigits(unsigned value) {
    return value % 100;
}

constexpr unsigned kMillisecondsPerSecond = 1000;

constexpr int kCompactSource[12] = {6, 7, 3, 4, 0, 1, 9, 10, 12, 13, 15, 16};

}  // namespace

ClockText::ClockText(TimeSource& timeSource) : timeSource(timeSource) {}

ClockText::~ClockText() = default;

const char* ClockText::TimestampText() {
    FormatTimestamp(timeSource.Now());
    return timestamp;
}

void ClockText::FormatTimestamp(const LocalTime& now) {
    std::snprintf(timestamp, sizeof(timestamp), "%02u.%02u.%02u %02u:%02u:%02u", TwoDigits(now.day),
                  TwoDigits(now.month), TwoDigits(now.year), TwoDigits(now.hour),
                  TwoDigits(now.minute), TwoDigits(now.second));
}

const char* ClockText::CompactTimestamp() {
    TimestampText();
    for (int i = 0; i < 12; ++i) compact[i] = timestamp[kCompactSource[i]];
    compact[12] = '\0';
    return compact;
}

// One reading of the clock for both parts, so a row never pairs the seconds
// of one moment with the milliseconds of the next.
const char* ClockText::MillisecondTimestamp() {
    const LocalTime now = timeSource.Now();
    FormatTimestamp(now);
    std::snprintf(withMilliseconds, sizeof(withMilliseconds), "%s.%03u", timestamp,
                  static_cast<unsigned>(now.millisecond % kMillisecondsPerSecond));
    return withMilliseconds;
}
