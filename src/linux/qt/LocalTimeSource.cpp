#include "qt/LocalTimeSource.h"

#include <ctime>

namespace {
constexpr int kTmYearBase = 1900;
constexpr long kNanosecondsPerMillisecond = 1000000;
}  // namespace

LocalTime LocalTimeSource::Now() {
    std::timespec now{};
    if (clock_gettime(CLOCK_REALTIME, &now) != 0) now.tv_sec = std::time(nullptr);
    std::tm parts{};
    LocalTime result;
    if (localtime_r(&now.tv_sec, &parts) == nullptr) return result;
    result.year = static_cast<uint16_t>(parts.tm_year + kTmYearBase);
    result.month = static_cast<uint8_t>(parts.tm_mon + 1);
    result.day = static_cast<uint8_t>(parts.tm_mday);
    result.hour = static_cast<uint8_t>(parts.tm_hour);
    result.minute = static_cast<uint8_t>(parts.tm_min);
    result.second = static_cast<uint8_t>(parts.tm_sec);
    result.millisecond = static_cast<uint16_t>(now.tv_nsec / kNanosecondsPerMillisecond);
    return result;
}
