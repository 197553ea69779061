#pragma once
#include <cstddef>
#include <cstdint>

#include "resources/DialogLayout.h"
#include "terminal/DisplaySink.h"

// The main window's controls as the core sees them. The core owns the
// display text; the view only mirrors it.
class MainView : public DisplaySink {
  public:
    virtual ~MainView() = default;

    // Replaces the whole text of a single-line field (settings field, status
    // line, clock field).
    virtual void SetFieldText(uint16_t controlId, const char* text) = 0;

    // The display's text comes through DisplaySink.
    virtual void SetDisplayBackground(Rgb colour) = 0;

    virtual void SetLamp(LampColour colour) = 0;
    virtual void SetChecked(uint16_t controlId, bool checked) = 0;
    virtual bool IsChecked(uint16_t controlId) const = 0;

    virtual void SetCaption(const char* caption) = 0;
    virtual void SetAlwaysOnTop() = 0;
    virtual void FocusDisplay() = 0;
    // Repaint, bring to the top, show in normal size.
    virtual void ShowAndRaise() = 0;
    virtual void Redraw() = 0;

    virtual void StartTimer(uint16_t timerId, uint32_t periodMs) = 0;
    virtual void StopTimer(uint16_t timerId) = 0;
    // Ends the window's modal run (the cancel result).
    virtual void EndWindow() = 0;
};
