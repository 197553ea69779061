#pragma once
#include <cstdint>

#include "config/AppPaths.h"
#include "config/SetupData.h"
#include "help/HelpWindow.h"
#include "terminal/KeyMessage.h"
#include "terminal/ReceiveDisplay.h"
#include "terminal/ReceiveLog.h"
#include "terminal/ReceivePath.h"
#include "window/CommandReport.h"
#include "window/PendingRequests.h"
#include "window/PortLink.h"
#include "window/ReadPace.h"
#include "window/LogSwitch.h"
#include "window/Screenshot.h"
#include "window/SendXStream.h"
#include "window/StatusLine.h"
#include "window/WindowServices.h"

class MainView;
class Desktop;

inline constexpr uint16_t kPollTimerId = 999;
inline constexpr uint32_t kPollPeriodMs = 100;
inline constexpr uint16_t kClockTimerId = 998;
inline constexpr uint32_t kClockPeriodMs = 1000;

// The main window's logic. Events go one way: the front end turns a timer,
// click, focus change or key into one of the calls below; the window routes it
// to the part that owns the matter and answers through MainView and Desktop.
//
// The parts: the status line and its hold, the port link (open, close, the
// modem lines), the receive path with its two listeners (the display text
// and the log with its file), the pending requests of buttons and keys, the
// SendX stream, what became of F2's and F3's bytes, the screenshot (copy and
// save) and the F9 switch of the log. A poll tick keeps the
// port open, reads what waits, hands it to the receive path, serves the
// requests in their order, sends one SendX burst, trims the display and
// mirrors the modem inputs.
class TerminalWindow {
  public:
    TerminalWindow(const WindowServices& services, MainView& view, Desktop& desktop);
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
    // The settings field got the focus, normally by a click: the port
    // settings dialog runs over the closed port, and the port opens again
    // with its answer.
    void OnSettingsFieldFocus();
    // Every key and wheel message of the window and its controls, before the
    // dialog handling sees it.
    KeyResult KeyFilter(const KeyMessage& message, const KeyboardState& keyboard);
    // F1, passed on by KeyFilter to the dialog, and the "?" button.
    void OnHelpRequest();
    // Close box, system menu Close, the dialog's OK/cancel, Alt+X.
    void CloseWindow();
    // The window is being destroyed.
    void TearDown();

  private:
    void ShowCaption();
    bool LoadSetup();
    bool SaveSetup();

    void RunPollSteps();
    bool ReopenPort();
    void PortLost();
    void ReportStall(uint32_t droppedBytes);
    void FlushBacklog(uint32_t backlogLimit);
    void ReadWaitingBytes(uint32_t waiting, uint32_t readBudget);
    void ReceiveBytes(const uint8_t* data, size_t count);
    void ClearDisplay();
    void ToggleHalt();
    void ToggleHex();
    void ServeRequests();
    void DropWaitingInput();
    bool WriteCommand(const uint8_t* bytes, uint16_t length);
    void SendSpecialCommand();
    void SendBluetoothCommand();
    void ToggleLog();
    void ToggleRecordMode();
    void SendKeyByte(uint8_t byte);
    void RequestFunctionKey(uint8_t key);

    WindowServices services;
    MainView& view;
    Desktop& desktop;
    // lineSettings, startupLineSettings, saveMode, selectedMac, macList.
    SetupData setup;

    StatusLine statusLine;
    PortLink portLink;
    ReceiveDisplay receiveDisplay;
    ReceiveLog receiveLog;
    ReceivePath receivePath;
    PendingRequests requests;
    SendXStream sendX;
    CommandReport commandReport;
    Screenshot screenshot;
    LogSwitch logSwitch;
    HelpWindow helpWindow;
    // Set when the port went away or would not open again; the log notes
    // the loss once and the port's return.
    bool portLost = false;
    // While the help window is open the poll ticks do nothing: input waits
    // in the port's queue until it closes.
    bool pollPaused = false;
    // The window is ending: nothing may open the port or write the setup
    // file again, whichever modal loop the end was reached from.
    bool closing = false;
    // Keys went into a full output queue; said once until one goes out.
    bool keysDropped = false;
    uint8_t receiveChunk[ReadPace::kReadCapacity] = {};
};
