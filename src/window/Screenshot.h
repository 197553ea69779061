#pragma once
#include <cstdint>

#include "config/AppPaths.h"
#include "terminal/ReceiveDisplay.h"
#include "window/Desktop.h"

class ClockText;
class FileSystem;
class Desktop;
class MainView;
class StatusLine;

// The two ways to keep what the display shows: from its first visible line
// onto the clipboard, and whole into a file chosen in the save dialog.
class Screenshot {
  public:
    Screenshot(AppPaths& appPaths, ClockText& clockText, MainView& view, Desktop& desktop,
               StatusLine& statusLine, const ReceiveDisplay& display, FileSystem& files);
    Screenshot(const Screenshot&) = delete;
    Screenshot& operator=(const Screenshot&) = delete;

    // The save dialog opens in the program's folder until a file is saved.
    void Reset();

    void Copy();
    // Nothing while the test stream runs: the dialog would stall it.
    void Save(bool streamOn);

  private:
    SaveChoice AskSaveFileName(const char* title);
    void ForgetSaveFolder();
    void ReportSaveFailure();
    bool WriteFile(const char* path);

    AppPaths& appPaths;
    ClockText& clockText;
    MainView& view;
    Desktop& desktop;
    StatusLine& statusLine;
    const ReceiveDisplay& display;
    FileSystem& files;

    // The folder the save dialog opens in: the program's at first, then
    // that of the last file saved; a cancel empties it. The name beside it
    // is the one proposed and, after the dialog, the one chosen.
    char saveFolder[AppPaths::kPathCapacity] = {};
    char saveFileName[AppPaths::kPathCapacity] = {};
};
