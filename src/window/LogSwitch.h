#pragma once
#include "config/AppPaths.h"
#include "serial/LineSettings.h"

class Desktop;
class ReceiveLog;
class StatusLine;

// F9 and what the user learns of the log: it starts the receive path's log
// in the platform's place (or its spare), stops it at the next F9 or at the
// window's end, and tells every failure in the log's own boxes and status
// texts. The log itself, its file and its rows, is the receive path's.
class LogSwitch {
  public:
    LogSwitch(ReceiveLog& receiveLog, Desktop& desktop, StatusLine& statusLine);
    LogSwitch(const LogSwitch&) = delete;
    LogSwitch& operator=(const LogSwitch&) = delete;

    // F9: the log file is created anew, or closed. lineSettings and portOpen
    // describe the port for the log's first row. A log that cannot be created
    // stays off, and the status line says it failed.
    void Toggle(const LineSettings& lineSettings, bool portOpen);
    // While a box of the log's start is open a nested tick must leave F9
    // pending.
    bool Opening() const { return opening; }
    // At the end of every poll tick.
    void WriteThrough();
    // At exit.
    void Close();

  private:
    bool StartAtPlace(const LineSettings& lineSettings, bool portOpen, bool& elsewhere);
    void ReportWriteFailure();

    ReceiveLog& receiveLog;
    Desktop& desktop;
    StatusLine& statusLine;
    // On from the F9 that made the file to the next F9: a file given up after
    // a failed write keeps it on, so that the next F9 ends it with the status
    // line's word.
    bool on = false;
    bool opening = false;
    // The file in use: the platform's place or its spare.
    char logPath[AppPaths::kPathCapacity] = {};
};
