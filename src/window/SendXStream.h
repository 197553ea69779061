#pragma once
#include <cstdint>

#include "terminal/SendXLines.h"

class MainView;
class SerialPort;

// The SendX latch and its stream: while on, every poll tick sends one burst
// of numbered, check-summed lines at a rate that follows the baud rate. A
// burst the line did not take in time turns the latch off.
class SendXStream {
  public:
    SendXStream(SerialPort& serialPort, MainView& view);

    // The SendX button.
    void Toggle();
    // Enter, Escape, the help window: off, and the button unmarked.
    void Stop();
    bool IsOn() const { return on; }
    void SendBurst(uint32_t baud);

  private:
    SerialPort& serialPort;
    MainView& view;
    SendXLines lines;
    bool on = false;
};
