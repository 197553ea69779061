#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/ReceiveFormatter.h"

// Where the log's rows are kept (a file). Plain and record text: each '\n'
// ends a line. Hexadecimal text: one tick's bytes make one row, handed over
// in parts when they are many; rowEnds is true with the last part.
class ReceiveLogWriter {
  public:
    virtual ~ReceiveLogWriter() = default;
    virtual void LogLines(const char* text, size_t length) = 0;
    virtual void LogHexText(const char* text, size_t length, bool rowEnds) = 0;
};

// The receive path's second listener: every byte read from the port, in the
// mode in force, formatted by the same rules as the display but on a line
// position of its own. The SyncX gate, DisplayHalt, clearing and trimming are
// matters of the screen and do not touch it.
class ReceiveLog final : public FormattedTextSink {
  public:
    ReceiveLog() = default;
    ReceiveLog(const ReceiveLog&) = delete;
    ReceiveLog& operator=(const ReceiveLog&) = delete;

    // Null for none: the bytes are then not formatted at all. A new writer
    // starts at the start of a line and outside any record.
    void SetWriter(ReceiveLogWriter* logWriter);
    bool IsOn() const { return writer != nullptr; }

    void LogBytes(const uint8_t* data, size_t count, ReceiveMode mode);

    void FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) override;

  private:
    ReceiveLogWriter* writer = nullptr;
    ReceiveFormatter formatter{*this};
};
