// The window's side of the serial line: open with the settings in use and
// show the outcome, close, and the two output lines.
#include <cstdio>
#include <initializer_list>

#include "app/TerminalApp.h"
#include "resources/DialogLayout.h"
#include "window/Desktop.h"
#include "window/MainView.h"
#include "window/TerminalWindow.h"

namespace C = MainControl;

int TerminalWindow::openPort(bool showMessage) {
    const LineSettings& line = setup.lineSettings;
    char text[64];
    if (serialPort.open(line.port, line.baud, line.parity, line.dataBits, line.stopBits) == 1) {
        view.SetLamp(LampColour::Green);
        std::snprintf(text, sizeof(text), " COM%u: %lu,%c,%u,%u", static_cast<unsigned>(line.port),
                      static_cast<unsigned long>(line.baud), line.parity,
                      static_cast<unsigned>(line.dataBits), static_cast<unsigned>(line.stopBits));
        view.SetFieldText(C::kSettingsField, text);
        serialPort.discardInput();
        serialPort.setDtr(true);
        serialPort.setRts(true);
        view.SetChecked(C::kDtr, true);
        view.SetChecked(C::kRts, true);
        portOpen = 1;
        return 1;
    }

    // Also closes a device that opened but refused its configuration.
    serialPort.close();
    std::snprintf(text, sizeof(text), " COM%u port error", static_cast<unsigned>(line.port));
    view.SetFieldText(C::kSettingsField, text);
    if (showMessage) {
        char message[72];
        std::snprintf(message, sizeof(message), "%s !", text);
        desktop.ShowMessage(message);
    }
    view.SetLamp(LampColour::Black);
    portOpen = 0;
    return 0;
}

void TerminalWindow::closePort() {
    // Both outputs drop while the device is still there to drive them.
    serialPort.setDtr(false);
    serialPort.setRts(false);
    serialPort.close();
    portOpen = 0;
    for (uint16_t id : {C::kDtr, C::kRts, C::kCts, C::kDsr, C::kRi, C::kRlsd}) {
        view.SetChecked(id, false);
    }
}

void TerminalWindow::onDtrClicked() {
    bool on = !view.IsChecked(C::kDtr);
    view.SetChecked(C::kDtr, on);
    serialPort.setDtr(on);
    view.FocusDisplay();
}

void TerminalWindow::onRtsClicked() {
    bool on = !view.IsChecked(C::kRts);
    view.SetChecked(C::kRts, on);
    serialPort.setRts(on);
    view.FocusDisplay();
}

void TerminalWindow::onSettingsFieldFocus() {
    // The port settings dialog is not built yet; hand the keyboard back.
    view.FocusDisplay();
}
