#include "window/ReceivePath.h"

#include "window/MainView.h"

namespace {

constexpr uint16_t kSyncWaitTicks = 10;
constexpr uint8_t kSyncChar = 'a';

}  // namespace

ReceivePath::ReceivePath(MainView& view) : view(view), receiveDisplay(view) {}

void ReceivePath::Reset() {
    receiveDisplay.Reset();
    syncPending = false;
    syncTicks = 0;
    displayHalt = false;
    hexMode = false;
    recordMode = false;
}

void ReceivePath::Tick() {
    syncTicks = syncPending ? static_cast<uint16_t>(syncTicks + 1) : 0;
}

void ReceivePath::RequestSync() {
    syncPending = true;
}

void ReceivePath::ToggleHalt() {
    SetHalt(!displayHalt);
}

void ReceivePath::SetHalt(bool on) {
    displayHalt = on;
    view.SetChecked(MainControl::kDisplayHalt, on);
}

void ReceivePath::ToggleHex() {
    hexMode = !hexMode;
    view.SetChecked(MainControl::kHex, hexMode);
    ClearDisplay();
}

bool ReceivePath::ToggleRecordMode() {
    recordMode = !recordMode;
    return recordMode;
}

void ReceivePath::ReceiveBytes(const uint8_t* data, uint16_t count) {
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t byte = data[i];
        if (!PassesSyncGate(byte)) continue;
        if (displayHalt && !receiveDisplay.HasObserver()) continue;
        receiveDisplay.PutByte(byte, hexMode, recordMode, !displayHalt);
        if (receiveDisplay.PendingFull()) break;
    }
    receiveDisplay.FlushPending();
}

// While SyncX waits, bytes before the first line start are dropped; the one
// that ends the wait clears the display and starts it anew.
bool ReceivePath::PassesSyncGate(uint8_t byte) {
    if (!syncPending) return true;
    // Whoever asks for alignment wants to see the result.
    if (displayHalt) SetHalt(false);
    if (syncTicks <= kSyncWaitTicks && byte != kSyncChar) return false;
    ClearDisplay();
    syncPending = false;
    return true;
}

void ReceivePath::ClearDisplay() {
    receiveDisplay.ClearDisplay();
    view.FocusDisplay();
}

void ReceivePath::TrimDisplay() {
    receiveDisplay.TrimDisplay();
}
