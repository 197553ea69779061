#pragma once
#include <cstddef>
#include <cstdint>

#include "config/SetupData.h"
#include "terminal/KeyMessage.h"
#include "terminal/ReceiveDisplay.h"
#include "terminal/TestStream.h"

class TerminalApp;
class MainView;
class Desktop;
class SerialPort;

inline constexpr uint16_t kPollTimerId = 999;
inline constexpr uint32_t kPollPeriodMs = 100;
inline constexpr uint16_t kClockTimerId = 998;
inline constexpr uint32_t kClockPeriodMs = 1000;

// The main window's logic and its whole data model. Events go one way: the
// front end turns a timer, click, focus change or key into one of the calls
// below, and the window answers through MainView and Desktop.
//
// Public surface shared with both front ends; the private part is the core's.
class TerminalWindow {
  public:
    TerminalWindow(TerminalApp& app, MainView& view, Desktop& desktop);
    ~TerminalWindow();
    TerminalWindow(const TerminalWindow&) = delete;
    TerminalWindow& operator=(const TerminalWindow&) = delete;

    // Once, after the controls exist and before the window is first shown.
    void InitWindow();
    // A window timer fired (999 poll, 998 clock; others are ignored).
    void OnTimer(uint16_t timerId);
    void PollTick();
    void ClockTick();
    // A button or indicator was clicked.
    void OnClicked(uint16_t controlId);
    // A control received the keyboard focus.
    void OnFocus(uint16_t controlId);
    // Every key and wheel message of the window and its controls, before the
    // dialog handling sees it.
    KeyResult KeyFilter(const KeyMessage& message, const KeyboardState& keyboard);
    // The dialog's help request (F1 passed on by KeyFilter).
    void OnHelpRequest();
    // Close box, system menu Close, the dialog's OK/cancel, Alt+X.
    void CloseWindow();
    // The window is being destroyed.
    void TearDown();

  private:
    static constexpr uint16_t kFunctionKeySlots = 13;
    static constexpr uint16_t kMaxReadPerTick = 1200;
    static constexpr size_t kSpecialCommandCapacity = 260;
    static constexpr size_t kSaveFolderCapacity = 356;

    // The last clock reading: the year is kept as its last two digits.
    struct ClockReading {
        uint8_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    };

    // Start-up.
    void ResetState();
    void ShowCaption();
    int LoadSetup();
    int SaveSetup();

    // Status line: a framed message holds it for a number of ticks.
    void SetStatusText(const char* text);
    void ShowHeldMessage(const char* text, uint16_t holdTicks);

    // Poll cycle.
    bool ReopenPort();
    void StopForFlush();
    void ReadWaitingBytes(uint32_t waiting);
    void ReceiveBytes(const uint8_t* data, uint16_t count);
    void ServeFunctionKeys();
    void SendSpecialCommand();
    void ShowModemInputs();

    // Receive display.
    void ClearDisplay();
    void AppendToDisplay(const char* text, size_t length);
    void TrimDisplay();
    void ToggleRecordMode();

    // Test stream.
    void SendTestStream();
    void StopTestStream();

    // Port control.
    int openPort(bool showMessage);
    void closePort();
    void onDtrClicked();
    void onRtsClicked();
    void onSettingsFieldFocus();

    // Buttons and keys.
    void ToggleLatched(int32_t& flag, uint16_t controlId);
    void RequestFunctionKey(uint8_t key);
    void OpenHelpWindow();

    // Served by the poll cycle; filled in with their own features.
    void SendBluetoothCommand();
    void ToggleLog();
    void CopyScreenshot();
    int SaveScreenshot();
    void RunHelpWindow();

    TerminalApp& app;
    MainView& view;
    Desktop& desktop;
    SerialPort& serialPort;

    uint16_t versionMajor = 2;
    uint16_t versionMinor = 17;
    uint16_t statusHoldTicks = 0;
    // lineSettings, startupLineSettings, saveMode, selectedMac, macList.
    SetupData setup;
    int32_t portOpen = 0;
    int32_t pollPaused = 0;
    int32_t streamOn = 0;
    int32_t displayHalt = 0;
    int32_t hexMode = 0;
    // streamLine and streamLineNumber, with the burst buffer.
    TestStream testStream;
    uint8_t rxChunk[kMaxReadPerTick] = {};
    // pendingText, recordText, their positions, column and the record cycle,
    // and the display text itself.
    ReceiveDisplay receiveDisplay;
    int32_t syncPending = 0;
    int32_t clearRequest = 0;
    int32_t saveRequest = 0;
    int32_t copyRequest = 0;
    uint16_t syncTicks = 0;
    uint8_t specialCommand[kSpecialCommandCapacity] = {};
    int32_t fnKeyPending[kFunctionKeySlots] = {};
    char saveFolder[kSaveFolderCapacity] = {};
    uint8_t logOn = 0;
    ClockReading clockTime;
    uint16_t recordMode = 0;
};
