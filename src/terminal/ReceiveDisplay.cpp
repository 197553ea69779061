#include "terminal/ReceiveDisplay.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kDelete = 0x7F;
constexpr uint8_t kHighestByte = 0xFF;

// Control characters and DEL would upset the display; 0xFF is not a
// character of the code page.
bool NeedsSubstitute(uint8_t byte) {
    if (byte == kCarriageReturn) return false;
    return byte < 0x20 || byte == kDelete || byte == kHighestByte;
}

}  // namespace

ReceiveDisplay::ReceiveDisplay(DisplaySink& view) : display(view) {}

void ReceiveDisplay::Reset() {
    pendingLen = 0;
    pendingText[0] = '\0';
    recordPos = 0;
    cycle.recordCount = 0;
}

void ReceiveDisplay::PutByte(uint8_t byte, bool hexMode, bool recordMode, bool shown) {
    if (shown != pendingShown || hexMode != pendingHex) {
        FlushPending();
        pendingShown = shown;
        pendingHex = hexMode;
    }
    if (hexMode) {
        PutHex(byte);
        return;
    }
    if (byte == kLineFeed) return;
    if (NeedsSubstitute(byte)) byte = kSubstitute;
    if (recordMode) {
        PutRecordByte(byte);
    } else {
        PutPlain(byte);
    }
}

void ReceiveDisplay::PutPlain(uint8_t byte) {
    if (!PendingRoom(2)) return;
    pendingText[pendingLen++] = static_cast<char>(byte);
    ++column;
    if (column >= kLineWidth || byte == kCarriageReturn) {
        pendingText[pendingLen++] = static_cast<char>(kLineFeed);
        column = 0;
    }
    pendingText[pendingLen] = '\0';
}

void ReceiveDisplay::PutHex(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (!PendingRoom(4)) return;
    pendingText[pendingLen++] = '[';
    pendingText[pendingLen++] = kDigits[byte >> 4];
    pendingText[pendingLen++] = kDigits[byte & 0x0F];
    pendingText[pendingLen++] = ']';
    pendingText[pendingLen] = '\0';
}

void ReceiveDisplay::PutRecordByte(uint8_t byte) {
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
    Produce(recordText, std::strlen(recordText), false, pendingShown);
}

void ReceiveDisplay::FlushPending() {
    if (pendingLen == 0) return;
    Produce(pendingText, pendingLen, pendingHex, pendingShown);
    pendingLen = 0;
    pendingText[0] = '\0';
}

void ReceiveDisplay::Produce(const char* text, size_t length, bool hexText, bool shown) {
    if (shown) AppendToDisplay(text, length);
    if (observer != nullptr) observer->ReceivedText(text, length, hexText);
}

void ReceiveDisplay::ClearDisplay() {
    display.Clear();
    column = 0;
}

void ReceiveDisplay::AppendToDisplay(const char* text, size_t length) {
    display.Append(text, length);
}

void ReceiveDisplay::TrimDisplay() {
    if (display.Length() > kTrimAbove) display.DeleteFront(display.Length() - kTrimKeep);
    display.ClearUndo();
}
