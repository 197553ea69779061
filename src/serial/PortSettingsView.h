#pragma once
#include <cstddef>
#include <cstdint>

// The controls of the port settings dialog as its logic sees them. No control
// changes its own state: radio marks and the "permanently" tick are set only
// through this seam.
class PortSettingsView {
  public:
    virtual ~PortSettingsView() = default;

    // Replaces the whole text of an edit (current settings, current port, new
    // port, port list) or of the port hint line.
    virtual void SetText(uint16_t controlId, const char* text) = 0;
    // The beginning of an edit's text, at most capacity - 1 characters,
    // zero-terminated.
    virtual void GetText(uint16_t controlId, char* out, size_t capacity) = 0;
    virtual void SetChecked(uint16_t controlId, bool checked) = 0;
    virtual bool IsChecked(uint16_t controlId) const = 0;
    virtual void Focus(uint16_t controlId) = 0;
    virtual void SetCaption(const char* caption) = 0;
    virtual void StartTimer(uint16_t timerId, uint32_t periodMs) = 0;
    virtual void StopTimer(uint16_t timerId) = 0;
    // Closes the dialog; the answer is in the exchange text, so OK and ESCAPE
    // end it alike.
    virtual void EndDialog() = 0;
};
