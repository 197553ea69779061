#pragma once
#include "config/TimeSource.h"

// The system's local time.
class LocalTimeSource : public TimeSource {
  public:
    LocalTime Now() override;
};
