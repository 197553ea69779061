#pragma once
#include <cstddef>
#include <cstdint>

// The '#' records of the rotor function: 20 characters each, eight of which
// make one display line of measured values closed by a serial number and a
// temperature.

inline constexpr size_t kRecordLength = 20;
inline constexpr uint16_t kRecordErrorLength = 0xFF00;
inline constexpr uint16_t kRecordErrorStart = 0xFF01;
inline constexpr uint16_t kRecordErrorChecksumHigh = 0xFF02;
inline constexpr uint16_t kRecordErrorChecksumLow = 0xFF03;
// Room a record's buffer needs for any decoded text: a five-character field
// can hold a value of some 300 digits ("1e308").
inline constexpr size_t kRecordTextCapacity = 512;

// Where the decoder stands within an eight-record cycle.
struct RecordCycle {
    // Position of the next record in the cycle, 1..8; 0 waits for a start record.
    uint16_t recordCount = 0;
    // Position 9 of the start record, then position 14 of records 1..8.
    char cycleChars[10] = {};
};

// The value of the leading hexadecimal digits of text, at most four and at
// most maxDigits of them; 0 when there is none.
uint16_t HexFieldValue(const char* text, size_t maxDigits = 4);

// Checks the zero-terminated record in buffer and rewrites it in place into
// its display text (or leaves it as it is while no cycle has started).
// Returns 0, or one of the kRecordError codes, which also restart the cycle.
uint16_t FormatRecord(char* buffer, size_t capacity, RecordCycle& cycle);
