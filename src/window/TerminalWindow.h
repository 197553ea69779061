#pragma once
#include <cstdint>

#include "terminal/KeyMessage.h"

class TerminalApp;
class MainView;
class Desktop;

inline constexpr uint16_t kPollTimerId = 999;
inline constexpr uint32_t kPollPeriodMs = 100;
inline constexpr uint16_t kClockTimerId = 998;
inline constexpr uint32_t kClockPeriodMs = 1000;

// The main window's logic and its whole data model. Events go one way: the
// front end turns a timer, click, focus change or key into one of the calls
// below, and the window answers through MainView and Desktop.
//
// Public surface shared with both front ends; the private part is the core's.
class TerminalWindow {
public:
    TerminalWindow(TerminalApp& app, MainView& view, Desktop& desktop);
    ~TerminalWindow();
    TerminalWindow(const TerminalWindow&) = delete;
    TerminalWindow& operator=(const TerminalWindow&) = delete;

    // Once, after the controls exist and before the window is first shown.
    void InitWindow();
    // A window timer fired (999 poll, 998 clock; others are ignored).
    void OnTimer(uint16_t timerId);
    void PollTick();
    void ClockTick();
    // A button or indicator was clicked.
    void OnClicked(uint16_t controlId);
    // A control received the keyboard focus.
    void OnFocus(uint16_t controlId);
    // Every key and wheel message of the window and its controls, before the
    // dialog handling sees it.
    KeyResult KeyFilter(const KeyMessage& message, const KeyboardState& keyboard);
    // Close box, system menu Close, the dialog's OK/cancel, Alt+X.
    void CloseWindow();
    // The window is being destroyed.
    void TearDown();

private:
    TerminalApp& app;
    MainView& view;
    Desktop& desktop;
};
