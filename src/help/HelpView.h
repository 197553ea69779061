#pragma once
#include <cstdint>

#include "resources/DialogLayout.h"

// The controls of the help window as its logic sees them. The radio marks
// change only through this seam.
class HelpView {
  public:
    virtual ~HelpView() = default;

    // Replaces the whole help text, typed edits included, paints it on the
    // background and scrolls its first line to the top.
    virtual void ShowHelpText(const char* text, Rgb background) = 0;
    // Replaces the whole hint line.
    virtual void SetHintText(const char* text) = 0;
    virtual void SetChecked(uint16_t controlId, bool checked) = 0;
    virtual void FocusHelpText() = 0;
    // The whole help text onto the clipboard, not only the part in view; the
    // caret ends at the end with nothing selected.
    virtual void CopyHelpText() = 0;
    virtual void EndDialog() = 0;
};
