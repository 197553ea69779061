#pragma once
#include "config/TimeSource.h"

// The current local time as the two fixed-width texts the program records:
// "dd.mm.yy hh:mm:ss" and the compact "yymmddhhmmss"; the log's rows carry
// the first with milliseconds, "dd.mm.yy hh:mm:ss.mmm".
class ClockText {
  public:
    explicit ClockText(TimeSource& timeSource);
    virtual ~ClockText();

    const char* TimestampText();
    const char* CompactTimestamp();
    const char* MillisecondTimestamp();
    TimeSource& Source() const { return timeSource; }

  private:
    void FormatTimestamp(const LocalTime& now);

    TimeSource& timeSource;
    char timestamp[18] = {};
    char compact[13] = {};
    char withMilliseconds[22] = {};
};
