#include <gtest/gtest.h>

#include <string>

#include "ExpectedStreamLine.h"
#include "terminal/SendXLines.h"

namespace {

std::string BurstText(const SendXLines& stream, size_t length) {
    return std::string(reinterpret_cast<const char*>(stream.Burst()), length);
}

TEST(SendXLines, LinesCarryNumberMarkerAndChecksum) {
    SendXLines stream;
    std::string burst;
    for (int i = 0; i < 33; ++i) burst += BurstText(stream, stream.BuildBurst(9600));
    auto line = [&](size_t n) { return burst.substr(n * 80, 80); };

    EXPECT_EQ(line(0),
              "abcdefghijklmnopqrstuvwxyz--LINE=00000-#--------------------------------CS=0582X");
    EXPECT_EQ(line(1).find('#'), 40u);
    EXPECT_EQ(line(1).substr(72), "CS=0583X");
    EXPECT_EQ(line(31).find('#'), 70u);
    EXPECT_EQ(line(32).find('#'), 39u);
    EXPECT_EQ(line(32).substr(72), "CS=0587X");
    EXPECT_EQ(std::string(stream.Line()), line(32));
}

TEST(SendXLines, NumbersWrapAfter65535) {
    SendXLines stream;
    size_t length = 0;
    while (stream.NextLineNumber() != 65535 - 95) length = stream.BuildBurst(921600);
    // 96 lines: 65440 .. 65535.
    length = stream.BuildBurst(921600);
    ASSERT_EQ(length, 96u * 80);
    EXPECT_EQ(BurstText(stream, length).substr(95 * 80, 80), ExpectedStreamLine(65535));
    EXPECT_EQ(stream.NextLineNumber(), 0);
    EXPECT_EQ(BurstText(stream, stream.BuildBurst(1200)), ExpectedStreamLine(0));
}

// Below 9600 baud a burst waits as many ticks as the line needs for its one
// line (10 bits a byte, 80 bytes, 100 ms ticks).
TEST(SendXLines, EveryRateSendsItsLineCountInWholeLines) {
    struct Case {
        uint32_t baud;
        uint16_t lines;
        uint16_t ticks;
    } const cases[] = {
        {1200, 1, 8},     {2400, 1, 4},     {4800, 1, 2},    {7200, 1, 2},    {9600, 1, 1},
        {14400, 1, 1},    {19200, 2, 1},    {28800, 3, 1},   {38400, 4, 1},   {57600, 6, 1},
        {76800, 8, 1},    {115200, 12, 1},  {128000, 13, 1}, {153600, 16, 1}, {230400, 24, 1},
        {256000, 26, 1},  {460800, 48, 1},  {921600, 96, 1}, {0, 1, 9600},    {300, 1, 32},
        {1000000, 96, 1}, {4000000, 96, 1},
    };
    SendXLines stream;
    for (const Case& c : cases) {
        unsigned first = stream.NextLineNumber();
        size_t length = stream.BuildBurst(c.baud);
        ASSERT_EQ(length, c.lines * SendXLines::kLineLength) << c.baud;
        EXPECT_EQ(SendXLines::TicksPerBurst(c.baud), c.ticks) << c.baud;
        std::string burst = BurstText(stream, length);
        for (unsigned i = 0; i < c.lines; ++i) {
            ASSERT_EQ(burst.substr(i * 80, 80), ExpectedStreamLine((first + i) & 0xFFFF)) << c.baud;
        }
    }
}

}  // namespace
