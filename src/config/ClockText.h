#pragma once
#include "config/TimeSource.h"

// The current local time as the two fixed-width texts the program records:
// "dd.mm.yy hh:mm:ss" and the compact "yymmddhhmmss".
class ClockText {
  public:
    explicit ClockText(TimeSource& timeSource);
    virtual ~ClockText();

    const char* TimestampText();
    const char* CompactTimestamp();
    TimeSource& Source() const { return timeSource; }

  private:
    TimeSource& timeSource;
    char timestamp[18] = {};
    char compact[13] = {};
};
