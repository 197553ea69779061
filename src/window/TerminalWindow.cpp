#include "window/TerminalWindow.h"

#include <cstdio>
#include <initializer_list>

#include "Version.h"
#include "config/AppPaths.h"
#include "config/ClockText.h"
#include "serial/PortSettingsDialog.h"
#include "serial/SerialPort.h"
#include "terminal/CommandBytes.h"
#include "terminal/KeyTranslation.h"
#include "window/Desktop.h"
#include "window/MainView.h"

namespace C = MainControl;

namespace {

constexpr char kTitleWord[] = "QUORVANTVIEW";

constexpr char kFlushText[] = "FLUSH COM PORT ...";
constexpr char kIdleText[] = "RxQue = 0       received = 0       ";
constexpr char kQueueFormat[] = "RxQueue = %-5lu   received = %-5lu   ";
constexpr char kSpecialCommandText[] = "==== SPECIAL TEST COMMAND TRANSMITTED ====";
constexpr char kRotorOnText[] = "==== TARN ROTOR FUNCTION -ON- ====";
constexpr char kRotorOffText[] = "==== TARN ROTOR FUNCTION -OFF- ====";
constexpr char kSendXCutText[] = "==== SENDX STOPPED: WRITE TIMED OUT ====";
constexpr char kSpecialCommandFailedText[] = "==== SPECIAL TEST COMMAND NOT TRANSMITTED ====";
constexpr char kBluetoothFailedText[] = "==== SPECIAL COMMAND NOT TRANSMITTED ====";
constexpr char kStallFormat[] = "==== LINE STALLED: %lu BYTES NOT SENT ====";
constexpr char kKeysDroppedText[] = "==== OUTPUT QUEUE FULL: KEYS DROPPED ====";

constexpr char kBluetoothSetText[] = "==== SPECIAL COMMAND MAC[%u]=%s ====";
constexpr char kNoMacText[] = "==== NO MAC ADDRESS SELECTED ! ====";
constexpr size_t kBluetoothTextCapacity = 200;

// The adapter's answer takes a while to read; its message stays longer.
constexpr uint16_t kBluetoothHoldTicks = 80;

constexpr uint16_t kKeepInput = 0;

}  // namespace

TerminalWindow::TerminalWindow(const WindowServices& services, MainView& view, Desktop& desktop)
    : services(services),
      view(view),
      desktop(desktop),
      statusLine(view),
      portLink(services.serialPort, view, desktop),
      receiveDisplay(view),
      receiveLog(services.clockText, services.fileSystem),
      receivePath(receiveDisplay, receiveLog),
      sendX(services.serialPort, view),
      commandReport(statusLine),
      screenshot(services.appPaths, services.clockText, view, desktop, statusLine, receiveDisplay,
                 services.fileSystem),
      logSwitch(receiveLog, desktop, statusLine),
      helpWindow(services.helpLanguage) {}

// --- start-up and the end ------------------------------------------------------

void TerminalWindow::InitWindow() {
    ShowCaption();
    view.SetAlwaysOnTop();
    requests.Clear();
    receivePath.Reset();
    view.SetDisplayBackground(kDisplayBackground);
    ClearDisplay();
    for (uint16_t id : {C::kSendX, C::kDisplayHalt, C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi,
                        C::kRlsd, C::kHex}) {
        view.SetChecked(id, false);
    }

    setup.lineSettings = LineSettings{};
    setup.saveMode = 'P';
    LoadSetup();
    setup.startupLineSettings = setup.lineSettings;
    screenshot.Reset();
    // Rewritten at every start, so the file always has the current layout.
    SaveSetup();
    // Before the timers: a failure box must not compete with a poll tick's
    // own re-open.
    portLink.OpenPort(setup.lineSettings, true);

    view.ShowAndRaise();
    view.StartTimer(kPollTimerId, kPollPeriodMs);
    view.StartTimer(kClockTimerId, kClockPeriodMs);
    view.FocusDisplay();
}

void TerminalWindow::ShowCaption() {
    char caption[AppPaths::kBaseNameCapacity + 64];
    int used = std::snprintf(caption, sizeof(caption), "%s   %s   V.%u", kTitleWord,
                             services.appPaths.BaseName(), static_cast<unsigned>(kVersionMajor));
    if (kVersionMinor != 0 && used > 0 && static_cast<size_t>(used) < sizeof(caption)) {
        std::snprintf(caption + used, sizeof(caption) - used, ".%02u",
                      static_cast<unsigned>(kVersionMinor));
    }
    view.SetCaption(caption);
}

bool TerminalWindow::LoadSetup() {
    return ::LoadSetup(services.appPaths, services.clockText, desktop, setup, services.helpLanguage,
                       services.fileSystem);
}

bool TerminalWindow::SaveSetup() {
    return ::SaveSetup(services.appPaths, services.clockText, desktop, setup, services.helpLanguage,
                       services.fileSystem);
}

void TerminalWindow::CloseWindow() {
    // A close reached from inside a dialog or box (a signal, Alt+X) leaves
    // that modal loop; what the interrupted handler would do next (open the
    // port again, rewrite the setup file, log new settings) must not happen.
    closing = true;
    portLink.ClosePort();
    view.EndWindow();
}

void TerminalWindow::TearDown() {
    view.StopTimer(kPollTimerId);
    logSwitch.Close();
    services.serialPort.Close();
}

// --- timers ----------------------------------------------------------------------

void TerminalWindow::OnTimer(uint16_t timerId) {
    if (timerId == kPollTimerId) {
        PollTick();
    } else if (timerId == kClockTimerId) {
        ClockTick();
    }
}

void TerminalWindow::PollTick() {
    statusLine.Tick();
    if (pollPaused || closing) return;
    RunPollSteps();
    commandReport.Tick(services.serialPort);
    logSwitch.WriteThrough();
}

void TerminalWindow::RunPollSteps() {
    receivePath.Tick();
    if (!portLink.IsOpen() && !ReopenPort()) return;

    const uint32_t waiting = services.serialPort.GetInputQueueCount();
    // An unplugged adapter reads as an empty queue forever; close it so the
    // re-open path of the next ticks shows the loss and finds it again.
    if (services.serialPort.DeviceGone()) {
        statusLine.Show(kFlushText);
        portLink.ClosePort();
        PortLost();
        return;
    }
    uint32_t stalled = 0;
    if (services.serialPort.TakeOutputStall(stalled)) ReportStall(stalled);
    const ReadPace pace = ReadPace::For(setup.lineSettings);
    if (waiting > pace.backlogLimit) {
        FlushBacklog(pace.backlogLimit);
        return;
    }
    if (waiting == 0) {
        statusLine.ShowUnlessHeld(kIdleText);
    } else {
        ReadWaitingBytes(waiting, pace.readBudget);
    }

    ServeRequests();
    if (sendX.IsOn()) {
        view.SetLamp(LampColour::Magenta);
        // Stopping quietly would leave the user guessing why the peer's
        // numbers end.
        if (!sendX.SendBurst(setup.lineSettings.baud)) {
            statusLine.ShowHeld(kSendXCutText, kMessageHoldTicks);
        }
    } else {
        view.SetLamp(LampColour::Green);
    }
    if (portLink.IsOpen()) {
        receivePath.TrimDisplay();
        portLink.ShowModemInputs();
    }
}

// The channel dropped output that stood still for a second (a peer holding
// flow control, a stuck adapter). SendX stops as after any write it could
// not place; otherwise the user learns what did not go out.
void TerminalWindow::ReportStall(uint32_t droppedBytes) {
    if (sendX.IsOn()) {
        sendX.Stop();
        statusLine.ShowHeld(kSendXCutText, kMessageHoldTicks);
        return;
    }
    char text[64];
    std::snprintf(text, sizeof(text), kStallFormat, static_cast<unsigned long>(droppedBytes));
    statusLine.ShowHeld(text, kMessageHoldTicks);
}

bool TerminalWindow::ReopenPort() {
    statusLine.Show(kFlushText);
    if (!portLink.OpenPort(setup.lineSettings, false)) {
        portLink.ClosePort();
        PortLost();
        return false;
    }
    if (portLost) {
        portLost = false;
        receiveLog.LogPortBack(setup.lineSettings);
    }
    statusLine.Show("");
    view.FocusDisplay();
    return true;
}

void TerminalWindow::PortLost() {
    if (portLost) return;
    portLost = true;
    receiveLog.LogPortLost(setup.lineSettings);
}

// A purge drops the backlog and leaves the port open, so DTR and RTS stay as
// the user set them. Only a device that refuses the purge is closed, and the
// re-open of the next tick drops what waited.
void TerminalWindow::FlushBacklog(uint32_t backlogLimit) {
    statusLine.Show(kFlushText);
    receiveLog.LogFlush(backlogLimit);
    if (!services.serialPort.PurgeInput()) portLink.ClosePort();
    ClearDisplay();
}

// Only what the reads delivered may reach the display; a line error at a
// read delivers nothing. A read takes at most 65535 bytes, so a fast line's
// budget is read in pieces.
void TerminalWindow::ReadWaitingBytes(uint32_t waiting, uint32_t readBudget) {
    SerialPort& serialPort = services.serialPort;
    serialPort.TakeLineErrors();
    const uint32_t wanted = waiting < readBudget ? waiting : readBudget;
    uint32_t received = 0;
    while (received < wanted) {
        const uint32_t rest = wanted - received;
        const uint16_t piece = static_cast<uint16_t>(rest < UINT16_MAX ? rest : UINT16_MAX);
        const ReadResult result = serialPort.Read(receiveChunk + received, piece, 0);
        received += result.count;
        if (result.code != ReadCode::Ok) break;
    }
    char text[64];
    std::snprintf(text, sizeof(text), kQueueFormat, static_cast<unsigned long>(waiting),
                  static_cast<unsigned long>(received));
    statusLine.ShowUnlessHeld(text);
    ReceiveBytes(receiveChunk, received);
}

// The receive path may release DisplayHalt (SyncX) and clear the display;
// the buttons and the focus follow here.
void TerminalWindow::ReceiveBytes(const uint8_t* data, size_t count) {
    const bool wasHalted = receivePath.Halted();
    const bool wasSyncing = receivePath.SyncPending();
    receivePath.ReceiveBytes(data, count);
    if (wasHalted != receivePath.Halted()) view.SetChecked(C::kDisplayHalt, receivePath.Halted());
    if (wasSyncing && !receivePath.SyncPending()) view.FocusDisplay();
}

void TerminalWindow::ClearDisplay() {
    receivePath.ClearDisplay();
    view.FocusDisplay();
}

void TerminalWindow::ToggleHalt() {
    receivePath.ToggleHalt();
    view.SetChecked(C::kDisplayHalt, receivePath.Halted());
}

void TerminalWindow::ToggleHex() {
    receivePath.ToggleHex();
    view.SetChecked(C::kHex, receivePath.HexMode());
    view.FocusDisplay();
}

void TerminalWindow::ServeRequests() {
    if (requests.Take(Request::ClearDisplay)) ClearDisplay();

    PendingRequests keys = requests.TakeFunctionKeys();
    if (keys.IsSet(Request::SpecialCommand)) SendSpecialCommand();
    if (keys.IsSet(Request::Bluetooth)) SendBluetoothCommand();
    if (keys.IsSet(Request::RecordMode)) ToggleRecordMode();
    if (keys.IsSet(Request::Log)) ToggleLog();

    if (requests.Take(Request::Copy)) screenshot.Copy();
    // Taken before the dialog opens: the ticks that run under it must not
    // open a second one.
    if (requests.Take(Request::Save)) screenshot.Save(sendX.IsOn());
}

void TerminalWindow::ToggleLog() {
    // F9 pressed while a box of the log's start is shown (it could not be
    // created or written) waits for the box: the ticks running under it must
    // not toggle the log again.
    if (logSwitch.Opening()) {
        requests.Set(Request::Log);
        return;
    }
    logSwitch.Toggle(setup.lineSettings, portLink.IsOpen());
}

// The bytes a command drops before it goes out were received all the same:
// the log keeps them, the display does not show them, so that the answer
// to the command stands alone. They are read in large blocks, not one at a
// time; only what a line sends faster than that is purged unlogged, and the
// log notes the drop.
void TerminalWindow::DropWaitingInput() {
    SerialPort& serialPort = services.serialPort;
    uint32_t taken = 0;
    uint32_t waiting = serialPort.GetInputQueueCount();
    while (waiting > 0 && taken < SerialPort::kInputQueueBytes) {
        const uint32_t room = sizeof(receiveChunk);
        const uint16_t wanted = static_cast<uint16_t>(waiting < room ? waiting : room);
        const ReadResult result = serialPort.Read(receiveChunk, wanted, 0);
        receivePath.LogOnly(receiveChunk, result.count);
        taken += result.count;
        if (result.code != ReadCode::Ok) break;
        waiting = serialPort.GetInputQueueCount();
    }
    const uint32_t left = serialPort.GetInputQueueCount();
    if (left == 0) return;
    receiveLog.LogFlush(left);
    serialPort.PurgeInput();
}

// Sends a command whole or not at all: a part of it would reach the peer as
// something else.
bool TerminalWindow::WriteCommand(const uint8_t* bytes, uint16_t length) {
    SerialPort& serialPort = services.serialPort;
    if (!serialPort.IsOpen() || serialPort.OutputRoom() < length) return false;
    return serialPort.Write(bytes, length, kKeepInput) != WriteResult::Failed;
}

void TerminalWindow::SendSpecialCommand() {
    ClearDisplay();
    DropWaitingInput();
    if (!WriteCommand(SpecialTestCommand(), kSpecialTestLength)) {
        commandReport.Fail(kSpecialCommandFailedText, kMessageHoldTicks);
        return;
    }
    commandReport.Watch(services.serialPort, kSpecialCommandText, kSpecialCommandFailedText,
                        kMessageHoldTicks);
}

// The query always goes out, so the display shows the address in use; the
// set command follows only for a slot that holds a whole address.
void TerminalWindow::SendBluetoothCommand() {
    DropWaitingInput();
    if (!WriteCommand(reinterpret_cast<const uint8_t*>(kBluetoothQuery), kBluetoothQueryLength)) {
        commandReport.Fail(kBluetoothFailedText, kBluetoothHoldTicks);
        return;
    }
    const uint16_t slot = setup.selectedMac;
    const char* address = slot >= 1 && slot <= kMacSlots ? setup.macList[slot - 1] : nullptr;
    char command[kBluetoothTextCapacity];
    const size_t length = FormatBluetoothSet(address, command, sizeof(command));
    if (length == 0) {
        commandReport.Fail(kNoMacText, kBluetoothHoldTicks);
        return;
    }
    if (!WriteCommand(reinterpret_cast<const uint8_t*>(command), static_cast<uint16_t>(length))) {
        commandReport.Fail(kBluetoothFailedText, kBluetoothHoldTicks);
        return;
    }
    char text[kBluetoothTextCapacity];
    std::snprintf(text, sizeof(text), kBluetoothSetText, static_cast<unsigned>(slot), address);
    commandReport.Watch(services.serialPort, text, kBluetoothFailedText, kBluetoothHoldTicks);
}

void TerminalWindow::ToggleRecordMode() {
    const bool on = receivePath.ToggleRecordMode();
    statusLine.ShowHeld(on ? kRotorOnText : kRotorOffText, kMessageHoldTicks);
}

void TerminalWindow::ClockTick() {
    char text[32];
    std::snprintf(text, sizeof(text), "%s ", services.clockText.TimestampText());
    view.SetFieldText(C::kClock, text);
    // Whatever took the focus, typing goes to the port again within a second.
    view.FocusDisplay();
}

// --- clicks, focus and keys ------------------------------------------------------

void TerminalWindow::OnClicked(uint16_t controlId) {
    switch (controlId) {
        case C::kHelp:
            OnHelpRequest();
            return;
        case C::kDtr:
            portLink.ToggleDtr();
            break;
        case C::kRts:
            portLink.ToggleRts();
            break;
        case C::kSyncX:
            receivePath.RequestSync();
            break;
        case C::kSendX:
            sendX.Toggle();
            break;
        case C::kDisplayHalt:
            ToggleHalt();
            break;
        case C::kHex:
            ToggleHex();
            break;
        case C::kDisplayClear:
            requests.Set(Request::ClearDisplay);
            break;
        case C::kF2:
            RequestFunctionKey(2);
            break;
        case C::kCopy:
            requests.Set(Request::Copy);
            break;
        case C::kSpecial:
            RequestFunctionKey(3);
            break;
        case C::kSave:
            requests.Set(Request::Save);
            break;
        case C::kCts:
        case C::kDsr:
        case C::kRi:
        case C::kRlsd:
            break;  // inputs: only the port sets them
        default:
            return;
    }
    view.FocusDisplay();
}

void TerminalWindow::OnFocus(uint16_t controlId) {
    if (controlId == C::kSettingsField) {
        OnSettingsFieldFocus();
    } else if (controlId == C::kStatusLine) {
        // The status line takes no typing: the keyboard belongs to the port.
        view.FocusDisplay();
    }
}

void TerminalWindow::OnSettingsFieldFocus() {
    sendX.Stop();
    view.FocusDisplay();
    portLink.ClosePort();
    PortSettingsDialog& dialog = services.portSettingsDialog;
    dialog.SetRequest(setup.lineSettings);
    // The poll tick goes on meanwhile and opens the port again with the
    // settings in use; the open below replaces that.
    desktop.RunPortSettingsDialog(dialog);
    if (closing) return;
    const SettingsAnswer answer = dialog.Answer();
    setup.lineSettings = answer.lineSettings;
    setup.saveMode = answer.saveMode;
    SaveSetup();
    if (portLink.OpenPort(setup.lineSettings, true)) portLost = false;
    receiveLog.LogPortChanged(setup.lineSettings);
}

void TerminalWindow::RequestFunctionKey(uint8_t key) {
    Request request;
    if (PendingRequests::ForFunctionKey(key, request)) requests.Set(request);
}

void TerminalWindow::OnHelpRequest() {
    sendX.Stop();
    // F1 reaches the main window through a nested message loop too: one
    // help window at a time.
    if (!pollPaused) {
        pollPaused = true;
        desktop.RunHelpWindow(helpWindow);
        pollPaused = false;
        if (closing) return;
        // The help window is where the language is chosen.
        SaveSetup();
    }
    view.FocusDisplay();
}

KeyResult TerminalWindow::KeyFilter(const KeyMessage& message, const KeyboardState& keyboard) {
    const KeyDecision decision = ClassifyKey(message, keyboard);
    switch (decision.action) {
        case KeyAction::PassOn:
            return KeyResult::PassOn;
        case KeyAction::Consume:
            break;
        case KeyAction::CloseWindow:
            CloseWindow();
            break;
        case KeyAction::ClearDisplay:
            requests.Set(Request::ClearDisplay);
            break;
        case KeyAction::FunctionKey:
            RequestFunctionKey(decision.functionKey);
            break;
        case KeyAction::StopStreamOrSend:
            if (sendX.IsOn()) {
                sendX.Stop();
            } else {
                SendKeyByte(decision.byte);
            }
            break;
        case KeyAction::Send:
            SendKeyByte(decision.byte);
            break;
    }
    return KeyResult::Handled;
}

// A key never waits for the line: into a full queue it is dropped, and the
// status line says so once until a key goes out again. A closed port loses
// the byte; there is nobody to tell.
void TerminalWindow::SendKeyByte(uint8_t byte) {
    const WriteResult result = services.serialPort.Write(&byte, 1, kKeepInput);
    if (result != WriteResult::Short) {
        keysDropped = false;
        return;
    }
    if (keysDropped) return;
    keysDropped = true;
    statusLine.ShowHeld(kKeysDroppedText, kMessageHoldTicks);
}
