#pragma once
#include <cstdint>

class MainView;

// How long a framed message stays: two seconds of poll ticks.
inline constexpr uint16_t kMessageHoldTicks = 20;

// The status line and its hold: a framed message ("==== LOG -ON- ====") keeps
// the line for a number of poll ticks, so that the queue counts written on
// every tick do not overwrite it before anyone could read it.
class StatusLine {
  public:
    explicit StatusLine(MainView& view);

    // Replaces the text and ends any hold.
    void Show(const char* text);
    // Replaces the text and holds it for this many ticks.
    void ShowHeld(const char* text, uint16_t holdTicks);
    // Replaces the text unless a message holds the line.
    void ShowUnlessHeld(const char* text);
    // Holds whatever the line shows now.
    void Hold(uint16_t holdTicks);
    // One poll tick has passed.
    void Tick();
    bool IsHeld() const { return holdTicks > 0; }

  private:
    MainView& view;
    uint16_t holdTicks = 0;
};
