#pragma once
#include <cstdint>

#include "terminal/ReceiveDisplay.h"

class MainView;

// What happens to received bytes before they reach the display: the SyncX
// gate, DisplayHalt, and the choice of plain, hexadecimal or record mode.
// Owns the display text through ReceiveDisplay; allocates nothing.
class ReceivePath {
  public:
    explicit ReceivePath(MainView& view);

    // Back to the start-up state: plain mode, no SyncX, no halt, empty.
    void Reset();
    // One poll tick has passed (SyncX counts how long it waited).
    void Tick();

    // SyncX: the display restarts at the next line start ('a'), or after
    // ten ticks at whatever comes.
    void RequestSync();
    void ToggleHalt();
    // Clears as well: old text in the other mode would read as garbage.
    void ToggleHex();
    // True when record mode is on afterwards.
    bool ToggleRecordMode();

    void ReceiveBytes(const uint8_t* data, uint16_t count);
    void ClearDisplay();
    void TrimDisplay();

    const ReceiveDisplay& Display() const { return receiveDisplay; }
    // Whoever keeps a record of the received text (the log); null for none.
    // While one listens, DisplayHalt only freezes the screen: the bytes are
    // still formatted and handed to it.
    void SetObserver(ReceivedTextObserver* observer) { receiveDisplay.SetObserver(observer); }

  private:
    bool PassesSyncGate(uint8_t byte);
    void SetHalt(bool on);

    MainView& view;
    ReceiveDisplay receiveDisplay;
    bool syncPending = false;
    uint16_t syncTicks = 0;
    bool displayHalt = false;
    bool hexMode = false;
    bool recordMode = false;
};
