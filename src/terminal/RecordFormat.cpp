#include "terminal/RecordFormat.h"

#include <cstdio>
#include <cstring>

#include "terminal/FieldNumber.h"
#include "text/Ascii.h"

namespace {

constexpr size_t kValueField = 4;
constexpr size_t kValueFieldLength = 5;
constexpr size_t kStartMarkField = 9;
constexpr size_t kCycleCharField = 14;
constexpr size_t kChecksumField = 17;
constexpr unsigned kChecksumSeed = 20;
constexpr uint16_t kRecordsPerCycle = 8;
constexpr char kBlankMark = '_';

size_t TextLength(const char* text, size_t capacity) {
    const void* end = std::memchr(text, '\0', capacity);
    return end == nullptr ? capacity : static_cast<size_t>(static_cast<const char*>(end) - text);
}

uint16_t ChecksumError(const char* record) {
    unsigned sum = kChecksumSeed;
    for (size_t i = 1; i < kChecksumField; ++i) sum += static_cast<unsigned char>(record[i]);
    char expected[3];
    std::snprintf(expected, sizeof(expected), "%02X", sum & 0xFF);
    if (expected[0] != record[kChecksumField]) return kRecordErrorChecksumHigh;
    if (expected[1] != record[kChecksumField + 1]) return kRecordErrorChecksumLow;
    return 0;
}

// The start record's flag digit as four marks, highest bit first.
void FlagField(char flagDigit, char (&flags)[5]) {
    std::memcpy(flags, "____", sizeof(flags));
    if (flagDigit == kBlankMark) return;
    uint16_t value = HexFieldValue(&flagDigit, 1);
    const char marks[4] = {'4', '3', '2', '1'};
    for (int i = 0; i < 4; ++i) {
        if ((value & (8u >> i)) != 0) flags[i] = marks[i];
    }
}

// A leading '_' in the three temperature characters stands for a blank.
int CycleTemperature(const char* cycleChars) {
    size_t start = 6;
    if (cycleChars[7] == kBlankMark) {
        start = 8;
    } else if (cycleChars[6] == kBlankMark) {
        start = 7;
    }
    return ParseIntField(cycleChars + start, 9 - start);
}

unsigned long CycleSerialNumber(const char* cycleChars) {
    unsigned long high = HexFieldValue(cycleChars + 1, 1);
    unsigned long low = HexFieldValue(cycleChars + 2, 4);
    return high * 65536ul + low;
}

}  // namespace

uint16_t HexFieldValue(const char* text, size_t maxDigits) {
    if (text == nullptr) return 0;
    if (maxDigits > 4) maxDigits = 4;
    uint16_t value = 0;
    for (size_t i = 0; i < maxDigits; ++i) {
        int digit = HexDigitValue(text[i]);
        if (digit < 0) break;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

uint16_t FormatRecord(char* buffer, size_t capacity, RecordCycle& cycle) {
    uint16_t& q = cycle.recordCount;
    uint16_t error = 0;
    if (capacity <= kRecordLength || TextLength(buffer, capacity) != kRecordLength) {
        error = kRecordErrorLength;
    } else if (buffer[0] != '#') {
        error = kRecordErrorStart;
    } else {
        error = ChecksumError(buffer);
    }
    if (error != 0) {
        q = 0;
        return error;
    }

    if (q == 0) {
        if (buffer[kStartMarkField] == kBlankMark) return 0;  // shown as it came
        q = 1;
        cycle.cycleChars[0] = buffer[kStartMarkField];
    }
    char item = buffer[1];
    char flagDigit = buffer[2];
    double value = ParseDoubleField(buffer + kValueField, kValueFieldLength);
    cycle.cycleChars[q] = buffer[kCycleCharField];

    if (q == 1) {
        char flags[5];
        FlagField(flagDigit, flags);
        std::snprintf(buffer, capacity, "%c %s %05.1f ", item, flags, value);
    } else {
        std::snprintf(buffer, capacity, "%05.1f ", value);
    }

    if (++q > kRecordsPerCycle) {
        cycle.cycleChars[9] = '\0';
        size_t used = TextLength(buffer, capacity);
        std::snprintf(buffer + used, capacity - used, "SN=%07lu %3d'C\n",
                      CycleSerialNumber(cycle.cycleChars), CycleTemperature(cycle.cycleChars));
        q = 0;
    }
    return 0;
}
