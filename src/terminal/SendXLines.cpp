#include "terminal/SendXLines.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr char kLinePrefix[] = "abcdefghijklmnopqrstuvwxyz--LINE=";
constexpr size_t kNumberField = 33;
constexpr size_t kMarkerField = 38;
constexpr size_t kMarkerStart = 39;
constexpr uint16_t kMarkerPositions = 32;
constexpr size_t kChecksumField = 72;
constexpr uint16_t kChecksumSeed = 0xF1C4;

static_assert(sizeof(kLinePrefix) - 1 == kNumberField);

}  // namespace

SendXLines::SendXLines() {
    std::memcpy(streamLine, kLinePrefix, sizeof(kLinePrefix));
}

uint16_t SendXLines::LinesPerTick(uint32_t baud) {
    uint32_t lines = baud / kBaudPerLine;
    if (lines < 1) lines = 1;
    if (lines > kMaxBurstLines) lines = kMaxBurstLines;
    return static_cast<uint16_t>(lines);
}

uint16_t SendXLines::TicksPerBurst(uint32_t baud) {
    if (baud >= kBaudPerLine) return 1;
    const uint32_t rate = baud != 0 ? baud : 1;
    return static_cast<uint16_t>((kBaudPerLine + rate - 1) / rate);
}

void SendXLines::FormatLine(uint16_t number) {
    char field[8];
    std::snprintf(field, sizeof(field), "%05u", static_cast<unsigned>(number));
    std::memcpy(streamLine + kNumberField, field, 5);
    std::memset(streamLine + kMarkerField, '-', kChecksumField - kMarkerField);
    streamLine[kMarkerStart + number % kMarkerPositions] = '#';

    uint16_t checksum = kChecksumSeed;
    for (size_t i = 0; i < kChecksumField; ++i) {
        checksum = static_cast<uint16_t>(checksum + static_cast<unsigned char>(streamLine[i]));
    }
    std::snprintf(streamLine + kChecksumField, sizeof(streamLine) - kChecksumField, "CS=%04XX",
                  static_cast<unsigned>(checksum));
}

size_t SendXLines::BuildBurst(uint32_t baud) {
    uint16_t lines = LinesPerTick(baud);
    size_t length = 0;
    for (uint16_t i = 0; i < lines; ++i) {
        uint16_t number = streamLineNumber++;
        FormatLine(number);
        std::memcpy(burstBuffer + length, streamLine, kLineLength);
        length += kLineLength;
    }
    return length;
}
