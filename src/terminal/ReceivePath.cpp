#include "terminal/ReceivePath.h"

namespace {

constexpr uint16_t kSyncWaitTicks = 10;
constexpr uint8_t kSyncChar = 'a';

}  // namespace

ReceivePath::ReceivePath(ReceiveDisplay& receiveDisplay, ReceiveLog& receiveLog)
    : display(receiveDisplay), log(receiveLog) {}

void ReceivePath::Reset() {
    display.Reset();
    mode = ReceiveMode{};
    syncPending = false;
    syncTicks = 0;
    displayHalt = false;
}

void ReceivePath::Tick() {
    syncTicks = syncPending ? static_cast<uint16_t>(syncTicks + 1) : 0;
}

void ReceivePath::RequestSync() {
    syncPending = true;
}

void ReceivePath::ToggleHalt() {
    displayHalt = !displayHalt;
}

void ReceivePath::ToggleHex() {
    mode.hex = !mode.hex;
    ClearDisplay();
}

bool ReceivePath::ToggleRecordMode() {
    mode.record = !mode.record;
    return mode.record;
}

void ReceivePath::ReceiveBytes(const uint8_t* data, size_t count) {
    if (count == 0) return;
    log.LogBytes(data, count, mode);
    const size_t first = PastSyncGate(data, count);
    if (displayHalt || first == count) return;
    display.ShowBytes(data + first, count - first, mode);
}

void ReceivePath::LogOnly(const uint8_t* data, size_t count) {
    if (count != 0) log.LogBytes(data, count, mode);
}

// While SyncX waits, bytes before the first line start are dropped; the one
// that ends the wait clears the display and starts it anew. Returns the
// index of the first byte that passes.
size_t ReceivePath::PastSyncGate(const uint8_t* data, size_t count) {
    if (!syncPending) return 0;
    // Whoever asks for alignment wants to see the result.
    displayHalt = false;
    size_t first = 0;
    if (syncTicks <= kSyncWaitTicks) {
        while (first < count && data[first] != kSyncChar) ++first;
        if (first == count) return count;
    }
    ClearDisplay();
    syncPending = false;
    return first;
}

void ReceivePath::ClearDisplay() {
    display.ClearDisplay();
}

void ReceivePath::TrimDisplay() {
    display.TrimDisplay();
}
