#pragma once
#include <cstddef>
#include <cstdint>

// The link test's data stream: numbered 80-character lines with a moving
// marker and a checksum, sent in one burst per poll tick at a rate that
// follows the baud rate. A receiver aligned by SyncX shows one line per
// display line, so a transmission error shows as a broken column.
class SendXLines {
  public:
    static constexpr size_t kLineLength = 80;
    static constexpr uint32_t kBaudPerLine = 9600;
    // The fastest rate the settings offer, 921600 baud, asks for 96 lines a
    // tick; faster rates from a setup file are held to that.
    static constexpr uint16_t kMaxBurstLines = 96;
    static constexpr size_t kBurstCapacity = kMaxBurstLines * kLineLength;

    SendXLines();

    // Lines of one tick's burst at this baud rate.
    static uint16_t LinesPerTick(uint32_t baud);
    // Ticks from one burst to the next: 1 from 9600 baud on; below, so many
    // that the line has sent one line before the next is written.
    static uint16_t TicksPerBurst(uint32_t baud);
    // Fills the burst with the next lines for this baud rate; returns its
    // length in bytes, whole lines only.
    size_t BuildBurst(uint32_t baud);
    const uint8_t* Burst() const { return burstBuffer; }

    // The line built last (80 characters, terminated).
    const char* Line() const { return streamLine; }
    uint16_t NextLineNumber() const { return streamLineNumber; }

  private:
    void FormatLine(uint16_t number);

    char streamLine[90] = {};
    uint16_t streamLineNumber = 0;
    uint8_t burstBuffer[kBurstCapacity] = {};
};
