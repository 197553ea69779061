#pragma once
#include "app/TerminalApp.h"

// Runs the main window on Qt: builds the view, the window logic on it and the
// application-wide key filter, then the event loop until the window ends.
class QtWindowHost final : public WindowHost {
  public:
    void RunMainWindow(TerminalApp& app) override;
};
