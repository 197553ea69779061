#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/RecordFormat.h"

// The modes a received byte is formatted in. Hexadecimal wins over records.
struct ReceiveMode {
    bool hex = false;
    bool record = false;
};

// Where formatted text goes: plain and record text with '\n' ending each
// line, hexadecimal text (which has no line ends) flagged as such. The text
// of one flush comes in one piece, or in several when it outgrows the buffer:
// pieceEnds is false on all but the last.
class FormattedTextSink {
  public:
    virtual ~FormattedTextSink() = default;
    virtual void FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) = 0;
};

// Turns received bytes into text: plain text with a break after 80 characters
// and at CR, bracketed hexadecimal, and decoded '#' records. The text of one
// tick is collected and handed on in one piece; more than the buffer holds
// goes in several. Fixed buffers only.
class ReceiveFormatter {
  public:
    static constexpr size_t kPendingCapacity = 7100;
    static constexpr uint16_t kLineWidth = 80;
    static constexpr uint8_t kSubstitute = 0xA7;

    explicit ReceiveFormatter(FormattedTextSink& sink);
    ReceiveFormatter(const ReceiveFormatter&) = delete;
    ReceiveFormatter& operator=(const ReceiveFormatter&) = delete;

    // Back to the start-up state: nothing pending, no record open, no cycle,
    // at the start of a line.
    void Reset();
    // The next plain byte starts a line (the text before it was cleared).
    void StartLine() { column = 0; }
    void Put(uint8_t byte, ReceiveMode mode);
    // Moves the line position on exactly as Put would, producing no text:
    // for bytes whose text would be cut from the display anyway.
    void Skip(uint8_t byte, ReceiveMode mode);
    // Hands on the text collected since the last flush.
    void Flush();

    uint16_t Column() const { return column; }

  private:
    void PutPlain(uint8_t byte);
    void PutHex(uint8_t byte);
    void PutRecordByte(uint8_t byte);
    void MakeRoom(size_t count, bool hexText);
    void Emit(bool pieceEnds);
    void Append(const char* text, size_t length);

    FormattedTextSink& sink;
    char pendingText[kPendingCapacity] = {};
    size_t pendingLen = 0;
    // One piece never mixes hexadecimal with other text.
    bool pendingHex = false;
    // Part of the piece went out already: the flush must end it.
    bool pieceOpen = false;
    uint16_t column = 0;
    char recordText[kRecordTextCapacity] = {};
    uint16_t recordPos = 0;
    RecordCycle cycle;
};
