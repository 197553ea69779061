#pragma once
#include "qt/ViewEvents.h"
#include "window/TerminalWindow.h"

// The view's events go straight to the window logic.
class TerminalWindowEvents final : public ViewEvents {
  public:
    explicit TerminalWindowEvents(TerminalWindow& window_) : window(window_) {}

    void OnTimer(uint16_t timerId) override { window.OnTimer(timerId); }
    void OnClicked(uint16_t controlId) override { window.OnClicked(controlId); }
    void OnFocus(uint16_t controlId) override { window.OnFocus(controlId); }
    KeyResult OnKey(const KeyMessage& message, const KeyboardState& keyboard) override {
        return window.KeyFilter(message, keyboard);
    }
    void OnCloseRequest() override { window.CloseWindow(); }
    void OnHelpRequest() override { window.OnHelpRequest(); }

  private:
    TerminalWindow& window;
};
