#pragma once
#include <cstdint>

#include "terminal/KeyMessage.h"

// What the Qt views report to the window logic. The program forwards these to
// TerminalWindow; the view tests record them instead, so that a view can be
// checked for what it does on its own.
class ViewEvents {
  public:
    virtual ~ViewEvents() = default;
    virtual void OnTimer(uint16_t timerId) = 0;
    virtual void OnClicked(uint16_t controlId) = 0;
    virtual void OnFocus(uint16_t controlId) = 0;
    virtual KeyResult OnKey(const KeyMessage& message, const KeyboardState& keyboard) = 0;
    // Close box or the window manager's close.
    virtual void OnCloseRequest() = 0;
    // F1 that no control used.
    virtual void OnHelpRequest() = 0;
};
