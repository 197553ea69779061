#include <gtest/gtest.h>

#include "FixedClock.h"
#include "config/ClockText.h"

namespace {

TEST(ClockText, FormatsTheCurrentTimeInBothWidths) {
    struct {
        LocalTime at;
        const char* timestamp;
        const char* compact;
    } const cases[] = {
        {LocalTimeAt(2026, 12, 6, 6, 10, 0), "06.12.26 06:10:00", "261206061000"},
        {LocalTimeAt(2000, 1, 1, 0, 0, 5), "01.01.00 00:00:05", "000101000005"},
        {LocalTimeAt(2099, 12, 31, 23, 59, 59), "31.12.99 23:59:59", "991231235959"},
        // Outside 2000..2099 the year shows its last two digits; the widths hold.
        {LocalTimeAt(1999, 7, 4, 12, 0, 0), "04.07.99 12:00:00", "990704120000"},
        {LocalTimeAt(2100, 2, 28, 1, 2, 3), "28.02.00 01:02:03", "000228010203"},
        {LocalTimeAt(65535, 255, 255, 255, 255, 255), "55.55.35 55:55:55", "355555555555"},
    };
    FixedClock source(LocalTimeAt(2000, 1, 1, 0, 0, 0));
    ClockText clock(source);
    for (const auto& c : cases) {
        source.now = c.at;
        EXPECT_STREQ(clock.TimestampText(), c.timestamp);
        EXPECT_STREQ(clock.CompactTimestamp(), c.compact);
    }
}

TEST(ClockText, MillisecondTimestampAddsThreeDigitsToTheSameMoment) {
    struct {
        uint16_t millisecond;
        const char* text;
    } const cases[] = {
        {0, "06.12.26 06:10:00.000"},
        {7, "06.12.26 06:10:00.007"},
        {999, "06.12.26 06:10:00.999"},
        // A source reporting nonsense cannot widen the text.
        {1234, "06.12.26 06:10:00.234"},
    };
    FixedClock source;
    ClockText clock(source);
    for (const auto& c : cases) {
        source.now.millisecond = c.millisecond;
        EXPECT_STREQ(clock.MillisecondTimestamp(), c.text);
        EXPECT_STREQ(clock.TimestampText(), "06.12.26 06:10:00");
    }
}

}  // namespace
