#pragma once
#include <cstddef>

#include "serial/LineSettings.h"

class MainView;
class MessageSink;
class SerialPort;

// The window's side of the serial line: opening with given settings and
// showing the outcome (settings field, lamp, output marks), closing with both
// outputs dropped, the two output lines and the four input indicators.
class PortLink {
  public:
    PortLink(SerialPort& serialPort, MainView& view, MessageSink& messages);

    // Opens the port; on failure the settings field says so, and with
    // showMessage a message box too.
    bool OpenPort(const LineSettings& lineSettings, bool showMessage);
    void ClosePort();
    bool IsOpen() const { return portOpen; }

    // The DTR and RTS buttons: the mark flips, and the line follows when the
    // port is open.
    void ToggleDtr();
    void ToggleRts();
    // Mirrors CTS, DSR, RI and RLSD onto their indicators.
    void ShowModemInputs();

  private:
    void ShowOpened(const LineSettings& lineSettings);
    void ShowFailed(const LineSettings& lineSettings, bool showMessage);

    SerialPort& serialPort;
    MainView& view;
    MessageSink& messages;
    bool portOpen = false;
};
