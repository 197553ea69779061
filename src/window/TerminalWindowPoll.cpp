// The 100 ms poll tick and what it serves: received data, the requests left
// by buttons and keys, the test stream and the modem inputs.
#include <cstdio>

#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "window/MainView.h"
#include "window/TerminalWindow.h"

namespace C = MainControl;

namespace {

constexpr char kFlushText[] = "FLUSH COM PORT ...";
constexpr char kIdleText[] = "RxQue = 0       received = 0       ";
constexpr char kQueueFormat[] = "RxQueue = %-5lu   received = %-5lu   ";
constexpr char kSpecialCommandText[] = "==== SPECIAL TEST COMMAND TRANSMITTED ====";
constexpr char kCopiedText[] = "==== SCREENSHOT COPIED TO CLIPBOARD ====";
constexpr char kSavedText[] = "==== SAVE SCREEN TO FILE ====";
constexpr char kRotorOnText[] = "==== TARN ROTOR FUNCTION -ON- ====";
constexpr char kRotorOffText[] = "==== TARN ROTOR FUNCTION -OFF- ====";

constexpr uint16_t kMessageHoldTicks = 20;
// More than this waiting cannot be worked off at 1200 bytes a tick.
constexpr uint32_t kBacklogLimit = 10000;
constexpr uint16_t kSyncWaitTicks = 10;
constexpr uint8_t kSyncChar = 'a';

constexpr uint16_t kSpecialCommandLength = 257;
constexpr uint8_t kSpecialCommandEnd1 = 0x1C;
constexpr uint8_t kSpecialCommandEnd2 = 'T';
constexpr uint16_t kDiscardInputFirst = 1;
constexpr uint16_t kKeepInput = 0;

}  // namespace

void TerminalWindow::PollTick() {
    if (statusHoldTicks > 0) --statusHoldTicks;
    if (pollPaused != 0) return;
    syncTicks = syncPending != 0 ? static_cast<uint16_t>(syncTicks + 1) : 0;

    if (portOpen == 0 && !ReopenPort()) return;

    uint32_t waiting = serialPort.getInputQueueCount();
    // An unplugged adapter reads as an empty queue forever; close it so the
    // re-open path of the next ticks shows the loss and finds it again.
    if (serialPort.deviceGone()) {
        SetStatusText(kFlushText);
        statusHoldTicks = 0;
        closePort();
        return;
    }
    if (waiting == 0) {
        if (statusHoldTicks == 0) SetStatusText(kIdleText);
    } else if (waiting > kBacklogLimit) {
        StopForFlush();
        return;
    } else {
        ReadWaitingBytes(waiting);
    }
    receiveDisplay.FlushPending();

    if (clearRequest != 0) {
        clearRequest = 0;
        ClearDisplay();
    }
    if (fnKeyPending[0] != 0) ServeFunctionKeys();
    if (copyRequest != 0) {
        copyRequest = 0;
        ShowHeldMessage(kCopiedText, kMessageHoldTicks);
        CopyScreenshot();
    }
    if (saveRequest != 0) {
        // Reset before the save dialog: ticks run inside it.
        saveRequest = 0;
        if (SaveScreenshot() == 1) ShowHeldMessage(kSavedText, kMessageHoldTicks);
    }

    if (streamOn != 0) {
        view.SetLamp(LampColour::Magenta);
        SendTestStream();
    } else {
        view.SetLamp(LampColour::Green);
    }

    if (portOpen != 0) {
        TrimDisplay();
        ShowModemInputs();
    }
}

bool TerminalWindow::ReopenPort() {
    SetStatusText(kFlushText);
    statusHoldTicks = 0;
    if (openPort(false) == 0) {
        closePort();
        return false;
    }
    SetStatusText("");
    statusHoldTicks = 0;
    view.FocusDisplay();
    return true;
}

void TerminalWindow::StopForFlush() {
    SetStatusText(kFlushText);
    statusHoldTicks = 0;
    // Opening again drops everything that waited.
    closePort();
    ClearDisplay();
}

void TerminalWindow::ReadWaitingBytes(uint32_t waiting) {
    serialPort.takeLineErrors();
    uint16_t wanted = waiting < kMaxReadPerTick ? static_cast<uint16_t>(waiting) : kMaxReadPerTick;
    uint32_t status = serialPort.read(rxChunk, wanted, 0);
    // Only what this read delivered may reach the display; a line error
    // reported at the moment of the read delivers nothing.
    uint32_t code = status & kReadCodeMask;
    uint32_t received = 0;
    if (code == kReadOk || code == kReadShort || code == kReadCallFailed) {
        received = status & kReadCountMask;
        if (received > wanted) received = wanted;
    }
    if (statusHoldTicks == 0) {
        char text[64];
        std::snprintf(text, sizeof(text), kQueueFormat, static_cast<unsigned long>(waiting),
                      static_cast<unsigned long>(received));
        SetStatusText(text);
    }
    ReceiveBytes(rxChunk, static_cast<uint16_t>(received));
}

void TerminalWindow::ReceiveBytes(const uint8_t* data, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t byte = data[i];
        if (syncPending != 0) {
            if (displayHalt != 0) {
                displayHalt = 0;
                view.SetChecked(C::kDisplayHalt, false);
            }
            if (syncTicks <= kSyncWaitTicks && byte != kSyncChar) continue;
            ClearDisplay();
            syncPending = 0;
        }
        if (displayHalt != 0) continue;
        receiveDisplay.PutByte(byte, hexMode != 0, recordMode != 0);
        if (receiveDisplay.PendingFull()) break;
    }
    receiveDisplay.FlushPending();
}

void TerminalWindow::ServeFunctionKeys() {
    // Taken before any is served: a tick nested in a box shown below must not
    // serve the same key again.
    int32_t taken[kFunctionKeySlots];
    for (uint16_t k = 0; k < kFunctionKeySlots; ++k) {
        taken[k] = fnKeyPending[k];
        fnKeyPending[k] = 0;
    }
    if (taken[2] != 0) SendSpecialCommand();
    if (taken[3] != 0) SendBluetoothCommand();
    if (taken[4] != 0) {
        ToggleRecordMode();
        statusHoldTicks = kMessageHoldTicks;
    }
    if (taken[9] != 0) {
        ToggleLog();
        statusHoldTicks = kMessageHoldTicks;
    }
}

void TerminalWindow::SendSpecialCommand() {
    ClearDisplay();
    SetStatusText(kSpecialCommandText);
    specialCommand[kSpecialCommandLength - 2] = kSpecialCommandEnd1;
    specialCommand[kSpecialCommandLength - 1] = kSpecialCommandEnd2;
    serialPort.write(specialCommand, kSpecialCommandLength, kDiscardInputFirst);
    statusHoldTicks = kMessageHoldTicks;
}

void TerminalWindow::ShowModemInputs() {
    uint16_t status = serialPort.getModemStatus();
    view.SetChecked(C::kCts, (status & kStatusCts) != 0);
    view.SetChecked(C::kDsr, (status & kStatusDsr) != 0);
    view.SetChecked(C::kRi, (status & kStatusRing) != 0);
    view.SetChecked(C::kRlsd, (status & kStatusRlsd) != 0);
}

void TerminalWindow::ClearDisplay() {
    receiveDisplay.ClearDisplay();
    view.FocusDisplay();
}

void TerminalWindow::AppendToDisplay(const char* text, size_t length) {
    receiveDisplay.AppendToDisplay(text, length);
}

void TerminalWindow::TrimDisplay() {
    receiveDisplay.TrimDisplay();
}

void TerminalWindow::ToggleRecordMode() {
    recordMode = recordMode == 0 ? 1 : 0;
    SetStatusText(recordMode != 0 ? kRotorOnText : kRotorOffText);
}

void TerminalWindow::SendTestStream() {
    size_t length = testStream.BuildBurst(setup.lineSettings.baud);
    serialPort.write(testStream.burst(), static_cast<uint16_t>(length), kKeepInput);
}

void TerminalWindow::StopTestStream() {
    streamOn = 0;
    view.SetChecked(C::kSendX, false);
}
