#include "LocalTimeSource.h"

#include <windows.h>

LocalTime LocalTimeSource::Now() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LocalTime time;
    time.year = now.wYear;
    time.month = static_cast<uint8_t>(now.wMonth);
    time.day = static_cast<uint8_t>(now.wDay);
    time.hour = static_cast<uint8_t>(now.wHour);
    time.minute = static_cast<uint8_t>(now.wMinute);
    time.second = static_cast<uint8_t>(now.wSecond);
    time.millisecond = now.wMilliseconds;
    return time;
}
