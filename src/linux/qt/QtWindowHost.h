#pragma once
#include "app/TerminalApp.h"

// Runs the main window on Qt: builds the view, the window logic on it and the
// application-wide key filter, then the event loop until the window ends.
class QtWindowHost final : public WindowHost {
  public:
    void RunMainWindow(TerminalApp& app) override;

    // Where no D-Bus session bus is configured, points D-Bus at an address it
    // refuses at once, so that nothing tries to start one; done before the
    // first widget is built.
    static void SkipSessionBusStart();
};
