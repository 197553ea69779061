#include "terminal/ReceiveDisplay.h"

namespace {

constexpr uint8_t kLineFeed = 0x0A;
constexpr size_t kHexCharsPerByte = 4;

static_assert(ReceiveDisplay::kSubstitute == ReceiveFormatter::kSubstitute);

}  // namespace

ReceiveDisplay::ReceiveDisplay(DisplaySink& view) : display(view) {}

void ReceiveDisplay::Reset() {
    formatter.Reset();
}

void ReceiveDisplay::ShowBytes(const uint8_t* data, size_t count, ReceiveMode mode) {
    const size_t first = FirstShownByte(data, count, mode);
    for (size_t i = 0; i < first; ++i) formatter.Skip(data[i], mode);
    // The trim that would have cut the skipped text comes now rather than at
    // the end of the tick, so it never shows.
    replaceWithTail = first > 0;
    for (size_t i = first; i < count; ++i) formatter.Put(data[i], mode);
    formatter.Flush();
    replaceWithTail = false;
}

// Walks back from the newest byte until the text of the bytes after it alone
// is longer than kTrimAbove: the trim then keeps only the newest kTrimKeep
// characters, all of them from those bytes. Each byte gives at least the
// characters counted here (line breaks add more). Records are always built:
// their text depends on the whole cycle and is short anyway.
size_t ReceiveDisplay::FirstShownByte(const uint8_t* data, size_t count, ReceiveMode mode) const {
    if (mode.record && !mode.hex) return 0;
    size_t chars = 0;
    size_t first = count;
    while (first > 0 && chars <= kTrimAbove) {
        --first;
        if (mode.hex) {
            chars += kHexCharsPerByte;
        } else if (data[first] != kLineFeed) {
            ++chars;
        }
    }
    return first;
}

void ReceiveDisplay::FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) {
    (void)hexText;
    (void)pieceEnds;
    // The text alone outgrows the trim: only its newest kTrimKeep characters
    // stay, and the old display goes. One clear and one short append cost a
    // text control less than a long append and a long cut.
    if (replaceWithTail && length > kTrimKeep) {
        display.Clear();
        AppendToDisplay(text + length - kTrimKeep, kTrimKeep);
        display.ClearUndo();
        return;
    }
    if (length > 0) AppendToDisplay(text, length);
}

void ReceiveDisplay::ClearDisplay() {
    display.Clear();
    formatter.StartLine();
}

void ReceiveDisplay::AppendToDisplay(const char* text, size_t length) {
    display.Append(text, length);
}

void ReceiveDisplay::TrimDisplay() {
    if (display.Length() > kTrimAbove) display.DeleteFront(display.Length() - kTrimKeep);
    display.ClearUndo();
}
