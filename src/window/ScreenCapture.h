#pragma once
#include <cstdint>

#include "config/AppPaths.h"
#include "serial/LineSettings.h"
#include "terminal/ReceiveDisplay.h"
#include "terminal/ReceiveLog.h"
#include "window/Desktop.h"
#include "window/LogFile.h"

class ClockText;
class Desktop;
class MainView;
class StatusLine;

// The three ways to keep what the terminal receives: the display from its
// first visible line onto the clipboard, the display into a file chosen in
// the save dialog, and the log file, which records every byte read (also
// those DisplayHalt and SyncX keep off the screen) and the events that explain
// gaps in it, while F9 has it on.
class ScreenCapture final : public ReceiveLogWriter {
  public:
    ScreenCapture(AppPaths& appPaths, ClockText& clockText, MainView& view, Desktop& desktop,
                  StatusLine& statusLine, const ReceiveDisplay& display, ReceiveLog& receiveLog);
    ~ScreenCapture() override;
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;

    // The save dialog opens in the program's folder until a file is saved.
    void Reset();

    void CopyScreenshot();
    // Nothing while the test stream runs: the dialog would stall it.
    void SaveScreenshot(bool streamOn);

    // F9: the log file is created anew, or closed. lineSettings and portOpen
    // describe the port for the log's first row. A log that cannot be created
    // stays off, and the status line says it failed.
    void ToggleLog(const LineSettings& lineSettings, bool portOpen);
    // While a box of the log's start is open a nested tick must leave F9
    // pending.
    bool OpeningLog() const { return openingLog; }
    bool LogOn() const { return logOn; }
    // At the end of every poll tick: a crash loses at most one tick's rows.
    void WriteThrough();
    // At exit.
    void CloseLog();

    // Events that explain what the received lines do not show.
    void LogFlush(uint32_t backlogLimit);
    void LogPortLost(const LineSettings& lineSettings);
    void LogPortBack(const LineSettings& lineSettings);
    void LogPortChanged(const LineSettings& lineSettings);

    void LogLines(const char* text, size_t length) override;
    void LogHexText(const char* text, size_t length, bool rowEnds) override;

  private:
    SaveChoice AskSaveFileName(const char* title);
    void ForgetSaveFolder();
    void ReportSaveFailure();
    const char* OpenLogFile(const LogFileLocation& place);
    void LogEvent(const char* what, const LineSettings* lineSettings, const char* after);
    void StopLogging();
    void ReportWriteFailure();

    AppPaths& appPaths;
    ClockText& clockText;
    MainView& view;
    Desktop& desktop;
    StatusLine& statusLine;
    const ReceiveDisplay& display;
    ReceiveLog& receiveLog;

    // The folder the save dialog opens in: the program's at first, then
    // that of the last file saved; a cancel empties it. The name beside it
    // is the one proposed and, after the dialog, the one chosen.
    char saveFolder[AppPaths::kPathCapacity] = {};
    char saveFileName[AppPaths::kPathCapacity] = {};

    // On from the F9 that made the file to the next F9; a file that could not
    // be made leaves it off.
    bool logOn = false;
    bool openingLog = false;
    LogFile logFile;
    // The file actually in use: the platform's place or its spare.
    char logPath[AppPaths::kPathCapacity] = {};
};
