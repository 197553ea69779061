#pragma once
#include "config/TimeSource.h"

// The system clock in the local time zone.
class LocalTimeSource final : public TimeSource {
  public:
    LocalTime Now() override;
};
