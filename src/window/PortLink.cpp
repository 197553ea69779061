#include "window/PortLink.h"

#include <cstdio>
#include <initializer_list>

#include "config/MessageSink.h"
#include "serial/SerialPort.h"
#include "serial/SettingsText.h"
#include "window/MainView.h"

namespace C = MainControl;

PortLink::PortLink(SerialPort& serialPort, MainView& view, MessageSink& messages)
    : serialPort(serialPort), view(view), messages(messages) {}

bool PortLink::OpenPort(const LineSettings& line, bool showMessage) {
    if (!serialPort.Open(line.port, line.baud, line.parity, line.dataBits, line.stopBits)) {
        // Also closes a device that opened but refused its configuration.
        serialPort.Close();
        // Before the box: the ticks that run under it must see the port
        // closed, not read a closed device as an open one.
        portOpen = false;
        ShowFailed(line, showMessage);
        return false;
    }
    ShowOpened(line);
    serialPort.DiscardInput();
    serialPort.SetDtr(true);
    serialPort.SetRts(true);
    view.SetChecked(C::kDtr, true);
    view.SetChecked(C::kRts, true);
    portOpen = true;
    return true;
}

void PortLink::ShowOpened(const LineSettings& line) {
    view.SetLamp(LampColour::Green);
    char text[64] = " ";
    FormatPortSettings(line, text + 1, sizeof(text) - 1);
    view.SetFieldText(C::kSettingsField, text);
}

void PortLink::ShowFailed(const LineSettings& line, bool showMessage) {
    char text[64];
    std::snprintf(text, sizeof(text), " COM%u port error", static_cast<unsigned>(line.port));
    view.SetFieldText(C::kSettingsField, text);
    if (showMessage) {
        char message[72];
        std::snprintf(message, sizeof(message), "%s !", text);
        messages.ShowMessage(message);
    }
    view.SetLamp(LampColour::Black);
}

void PortLink::ClosePort() {
    // Both outputs drop while the device is still there to drive them.
    serialPort.SetDtr(false);
    serialPort.SetRts(false);
    serialPort.Close();
    portOpen = false;
    for (uint16_t id : {C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi, C::kRlsd}) {
        view.SetChecked(id, false);
    }
}

void PortLink::ToggleDtr() {
    const bool on = !view.IsChecked(C::kDtr);
    view.SetChecked(C::kDtr, on);
    serialPort.SetDtr(on);
}

void PortLink::ToggleRts() {
    const bool on = !view.IsChecked(C::kRts);
    view.SetChecked(C::kRts, on);
    serialPort.SetRts(on);
}

void PortLink::ShowModemInputs() {
    const uint16_t status = serialPort.GetModemInputs();
    view.SetChecked(C::kCts, (status & kStatusCts) != 0);
    view.SetChecked(C::kDsr, (status & kStatusDsr) != 0);
    view.SetChecked(C::kRi, (status & kStatusRing) != 0);
    view.SetChecked(C::kRlsd, (status & kStatusRlsd) != 0);
}
