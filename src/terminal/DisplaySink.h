#pragma once
#include <cstddef>

// Where the receive display is shown. The core keeps the text and hands over
// only what a text control takes as it is, so a view counts nothing itself:
// Windows-1252 characters with one '\n' per line end and no NUL.
class DisplaySink {
  public:
    virtual ~DisplaySink() = default;

    virtual void DisplayClear() = 0;
    // Adds text at the end; text[length] is '\0', so a control that reads up
    // to the terminator may take text as it is.
    virtual void DisplayAppend(const char* text, size_t length) = 0;
    // Deletes the first count characters, puts the caret at the end.
    virtual void DisplayDeleteFront(size_t count) = 0;
    // Empties the display's undo history.
    virtual void DisplayClearUndo() = 0;
    // Character position at which the first visible line of the display
    // starts.
    virtual size_t DisplayFirstVisibleCharacter() = 0;
};
