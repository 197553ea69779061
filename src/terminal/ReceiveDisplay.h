#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/DisplayText.h"
#include "terminal/RecordFormat.h"

class DisplaySink;

// Sees every piece of text the receive path produces, shown or not: plain and
// record text with '\n' ending each line, and the hexadecimal text of one tick
// (which has no line ends) as one piece.
class ReceivedTextObserver {
  public:
    virtual ~ReceivedTextObserver() = default;
    virtual void ReceivedText(const char* text, size_t length, bool hexText) = 0;
};

// Turns received bytes into display text in the three modes: plain text with
// a break after 80 characters and at CR, bracketed hexadecimal, and '#'
// records. Plain and hexadecimal text of one tick is collected and appended in
// one piece; decoded records go to the display as soon as they are complete.
// Works on fixed buffers only.
class ReceiveDisplay {
  public:
    static constexpr size_t kPendingCapacity = 7100;
    // The tick's byte loop stops once more than this is pending.
    static constexpr uint16_t kPendingLimit = 7000;
    static constexpr uint16_t kLineWidth = 80;
    // The display is cut back to its newest kTrimKeep characters once it
    // holds more than kTrimAbove.
    static constexpr size_t kTrimAbove = 2300;
    static constexpr size_t kTrimKeep = 2160;
    static constexpr uint8_t kSubstitute = DisplayText::kSubstitute;

    explicit ReceiveDisplay(DisplaySink& view);

    // Back to the start-up state: nothing pending, no record open, no cycle.
    void Reset();
    // One byte that got past the SyncX gate. An unshown byte (DisplayHalt)
    // is formatted for the observer only.
    void PutByte(uint8_t byte, bool hexMode, bool recordMode, bool shown = true);
    bool PendingFull() const { return pendingLen > kPendingLimit; }
    // Appends the text collected since the last flush.
    void FlushPending();

    void ClearDisplay();
    void AppendToDisplay(const char* text, size_t length);
    void TrimDisplay();

    // Null for none. Not owned; it must outlive its registration.
    void SetObserver(ReceivedTextObserver* textObserver) { observer = textObserver; }
    bool HasObserver() const { return observer != nullptr; }

    const DisplayText& Text() const { return display; }
    uint16_t CurrentColumn() const { return column; }

  private:
    void PutPlain(uint8_t byte);
    void PutHex(uint8_t byte);
    void PutRecordByte(uint8_t byte);
    bool PendingRoom(size_t count) const { return pendingLen + count < kPendingCapacity; }
    void Produce(const char* text, size_t length, bool hexText, bool shown);

    DisplayText display;
    char pendingText[kPendingCapacity] = {};
    uint16_t pendingLen = 0;
    // What the pending text is: one piece never mixes shown and unshown text,
    // nor hexadecimal and plain.
    bool pendingShown = true;
    bool pendingHex = false;
    ReceivedTextObserver* observer = nullptr;
    uint16_t column = 0;
    char recordText[kRecordTextCapacity] = {};
    uint16_t recordPos = 0;
    RecordCycle cycle;
};
