// Any bytes as a run of '#' records: each is checked and rewritten in place
// by FormatRecord with the cycle carried from record to record, the way the
// receive path feeds it. The text must stay terminated inside its buffer,
// the result must be 0 or an error code, and the cycle position must stay
// within one cycle.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "terminal/RecordFormat.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

bool IsResult(uint16_t result) {
    return result == 0 || result == kRecordErrorLength || result == kRecordErrorStart ||
           result == kRecordErrorChecksumHigh || result == kRecordErrorChecksumLow;
}

constexpr uint16_t kRecordsPerCycle = 8;
// A checksum the fuzzer would rarely hit by chance: half the records get a
// correct one, so that the field decoding behind it is reached too. The sum
// runs over positions 1..16 plus the record length, as two hex digits at 17.
constexpr size_t kSummedEnd = 17;
constexpr unsigned kChecksumBase = 20;

void RepairChecksum(char* record) {
    unsigned sum = kChecksumBase;
    for (size_t i = 1; i < kSummedEnd; ++i) sum += static_cast<unsigned char>(record[i]);
    constexpr char kDigits[] = "0123456789ABCDEF";
    record[kSummedEnd] = kDigits[(sum >> 4) & 0x0F];
    record[kSummedEnd + 1] = kDigits[sum & 0x0F];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RecordCycle cycle;
    char buffer[kRecordTextCapacity];
    // Each record takes one byte of choices and the record's 20 bytes.
    for (size_t at = 0; at + 1 + kRecordLength <= size; at += 1 + kRecordLength) {
        const uint8_t choices = data[at];
        std::memcpy(buffer, data + at + 1, kRecordLength);
        buffer[kRecordLength] = '\0';
        // The receive path starts every record at a '#'.
        if ((choices & 0x01) != 0) buffer[0] = '#';
        if ((choices & 0x02) != 0) RepairChecksum(buffer);
        const uint16_t result = FormatRecord(buffer, sizeof(buffer), cycle);
        Check(IsResult(result));
        Check(std::memchr(buffer, '\0', sizeof(buffer)) != nullptr);
        Check(cycle.recordCount <= kRecordsPerCycle);
        (void)HexFieldValue(buffer, 1 + choices % 4);
    }
    return 0;
}
