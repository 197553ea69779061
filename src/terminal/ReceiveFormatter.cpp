#include "terminal/ReceiveFormatter.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kDelete = 0x7F;
constexpr uint8_t kHighestByte = 0xFF;
constexpr size_t kHexCharsPerByte = 4;

// Control characters and DEL would upset the display; 0xFF is not a
// character of the code page.
bool NeedsSubstitute(uint8_t byte) {
    if (byte == kCarriageReturn) return false;
    return byte < 0x20 || byte == kDelete || byte == kHighestByte;
}

}  // namespace

ReceiveFormatter::ReceiveFormatter(FormattedTextSink& textSink) : sink(textSink) {}

void ReceiveFormatter::Reset() {
    pendingLen = 0;
    pendingText[0] = '\0';
    pendingHex = false;
    pieceOpen = false;
    column = 0;
    recordPos = 0;
    cycle.recordCount = 0;
}

void ReceiveFormatter::Put(uint8_t byte, ReceiveMode mode) {
    if (mode.hex) {
        PutHex(byte);
        return;
    }
    if (byte == kLineFeed) return;
    if (NeedsSubstitute(byte)) byte = kSubstitute;
    if (mode.record) {
        PutRecordByte(byte);
    } else {
        PutPlain(byte);
    }
}

void ReceiveFormatter::Skip(uint8_t byte, ReceiveMode mode) {
    if (mode.hex || byte == kLineFeed) return;
    if (mode.record) {
        // A record's text depends on the whole cycle: records are always built.
        Put(byte, mode);
        return;
    }
    ++column;
    if (column >= kLineWidth || byte == kCarriageReturn) column = 0;
}

void ReceiveFormatter::PutPlain(uint8_t byte) {
    MakeRoom(2, false);
    pendingText[pendingLen++] = static_cast<char>(byte);
    ++column;
    if (column >= kLineWidth || byte == kCarriageReturn) {
        pendingText[pendingLen++] = static_cast<char>(kLineFeed);
        column = 0;
    }
    pendingText[pendingLen] = '\0';
}

void ReceiveFormatter::PutHex(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    MakeRoom(kHexCharsPerByte, true);
    pendingText[pendingLen++] = '[';
    pendingText[pendingLen++] = kDigits[byte >> 4];
    pendingText[pendingLen++] = kDigits[byte & 0x0F];
    pendingText[pendingLen++] = ']';
    pendingText[pendingLen] = '\0';
}

void ReceiveFormatter::PutRecordByte(uint8_t byte) {
    if (byte == '#') {  // a new record abandons an unfinished one unseen
        recordText[0] = '#';
        recordText[1] = '\0';
        recordPos = 1;
        return;
    }
    if (recordPos == 0) return;
    recordText[recordPos++] = static_cast<char>(byte);
    if (recordPos < kRecordLength) return;

    recordText[kRecordLength] = '\0';
    recordPos = 0;
    uint16_t error = FormatRecord(recordText, sizeof(recordText), cycle);
    if (error != 0) std::snprintf(recordText, sizeof(recordText), "--ERROR=%04X--\n", error);
    // Collected with the tick's other text: the display then changes once
    // a tick however many records arrive.
    Append(recordText, std::strlen(recordText));
}

void ReceiveFormatter::Append(const char* text, size_t length) {
    MakeRoom(length, false);
    if (length >= kPendingCapacity) length = kPendingCapacity - 1;
    std::memcpy(pendingText + pendingLen, text, length);
    pendingLen += length;
    pendingText[pendingLen] = '\0';
}

void ReceiveFormatter::MakeRoom(size_t count, bool hexText) {
    if (hexText != pendingHex) {
        Flush();
        pendingHex = hexText;
    }
    if (pendingLen + count >= kPendingCapacity) Emit(false);
}

void ReceiveFormatter::Flush() {
    if (pendingLen == 0 && !pieceOpen) return;
    Emit(true);
}

void ReceiveFormatter::Emit(bool pieceEnds) {
    sink.FormattedText(pendingText, pendingLen, pendingHex, pieceEnds);
    pieceOpen = !pieceEnds;
    pendingLen = 0;
    pendingText[0] = '\0';
}
