#pragma once
#include <cstddef>
#include <cstdint>

#include "terminal/ReceiveDisplay.h"
#include "terminal/ReceiveLog.h"

// The road of received bytes from the port to their two listeners: the log
// gets every byte read; the display gets what passes the SyncX gate and
// DisplayHalt. Owns the modes (hexadecimal, record, DisplayHalt, SyncX) and
// passes them on with the bytes, so both listeners format alike. The window
// marks its buttons from the state it reads here. Allocates nothing.
class ReceivePath {
  public:
    ReceivePath(ReceiveDisplay& display, ReceiveLog& log);
    ReceivePath(const ReceivePath&) = delete;
    ReceivePath& operator=(const ReceivePath&) = delete;

    // Back to the start-up state: plain mode, no SyncX, no halt.
    void Reset();
    // One poll tick has passed (SyncX counts how long it waited).
    void Tick();

    // SyncX: the display restarts at the next line start ('a'), or after
    // ten ticks at whatever comes.
    void RequestSync();
    bool SyncPending() const { return syncPending; }
    void ToggleHalt();
    bool Halted() const { return displayHalt; }
    // Clears as well: old text in the other mode would read as garbage.
    void ToggleHex();
    bool HexMode() const { return mode.hex; }
    // True when record mode is on afterwards.
    bool ToggleRecordMode();

    void ReceiveBytes(const uint8_t* data, size_t count);
    // Bytes that were received but are not for the screen (what a command
    // drops before it goes out): the log keeps them all the same.
    void LogOnly(const uint8_t* data, size_t count);
    void ClearDisplay();
    void TrimDisplay();

    const ReceiveDisplay& Display() const { return display; }

  private:
    size_t PastSyncGate(const uint8_t* data, size_t count);

    ReceiveDisplay& display;
    ReceiveLog& log;
    ReceiveMode mode;
    bool syncPending = false;
    uint16_t syncTicks = 0;
    bool displayHalt = false;
};
