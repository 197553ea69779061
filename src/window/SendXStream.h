#pragma once
#include <cstdint>

#include "terminal/SendXLines.h"

class MainView;
class SerialPort;

// The SendX latch and its stream: while on, every poll tick sends one burst
// of numbered, check-summed lines at a rate that follows the baud rate; below
// 9600 baud a line goes out every few ticks instead, as fast as the line
// sends it. A burst the output queue has no room for turns the latch off.
class SendXStream {
  public:
    SendXStream(SerialPort& serialPort, MainView& view);

    // The SendX button.
    void Toggle();
    // Enter, Escape, the help window: off, and the button unmarked.
    void Stop();
    bool IsOn() const { return on; }
    // Called every poll tick while on. False when the output queue had no
    // room for the burst and the stream stopped.
    bool SendBurst(uint32_t baud);

  private:
    SerialPort& serialPort;
    MainView& view;
    SendXLines lines;
    bool on = false;
    // Ticks since the last burst; the first tick after the start sends.
    uint16_t ticksSinceBurst = UINT16_MAX;
};
