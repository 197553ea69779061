#pragma once
#include <cstddef>
#include <cstdint>

#include "serial/LineSettings.h"
#include "terminal/LogFile.h"
#include "terminal/ReceiveFormatter.h"

class ClockText;

// The receive path's second listener and the log file it keeps while it is
// on: every byte read from the port, in the mode in force, formatted by the
// same rules as the display but on a line position of its own, stamped with
// the moment its line ended and written as a CSV row; and the events that
// explain what the received lines do not show (a dropped backlog, a port
// lost and back, new settings). The SyncX gate, DisplayHalt, clearing and
// trimming are matters of the screen and do not touch it.
//
// It decides no box and no status text: each call that can fail says so,
// and the window tells the user.
class ReceiveLog final : public FormattedTextSink {
  public:
    explicit ReceiveLog(ClockText& clockText, FileSystem& files = PlatformFileSystem());
    ReceiveLog(const ReceiveLog&) = delete;
    ReceiveLog& operator=(const ReceiveLog&) = delete;

    // Creates the file at path anew and writes its first row, which names
    // the line (and says when the port is closed). False when the file
    // cannot be made there; the log then stays off.
    bool Start(const char* path, TextForm form, const LineSettings& lineSettings, bool portOpen);
    // Writes the unfinished line as a row of its own and closes the file;
    // false when some of the log could not be written. Off afterwards.
    bool Stop();
    bool IsOn() const { return file.IsOpen(); }

    void LogBytes(const uint8_t* data, size_t count, ReceiveMode mode);

    void LogFlush(uint32_t droppedAbove);
    void LogPortLost(const LineSettings& lineSettings);
    void LogPortBack(const LineSettings& lineSettings);
    void LogPortChanged(const LineSettings& lineSettings);

    // At the end of every poll tick, so that a crash loses at most one
    // tick's rows. False when the file did not take them: it is given up
    // then, and the log records nothing more.
    bool WriteThrough();

    // A hexadecimal row handed over in parts is still waiting for its end.
    bool HexRowOpen() const { return file.HexRowOpen(); }

    void FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) override;

  private:
    void LogEvent(const char* what, const LineSettings* lineSettings, const char* after);

    ClockText& clockText;
    LogFile file;
    ReceiveFormatter formatter{*this};
};
