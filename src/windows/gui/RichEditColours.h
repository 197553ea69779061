#pragma once
#include <windows.h>

#include "resources/DialogLayout.h"

// Gives a rich-edit control a fixed background and the text colour that
// reads on it. The system's text colour belongs to the system's background:
// a dark or high-contrast scheme makes it light, unreadable on the fixed
// light colours.
void SetRichEditColours(HWND control, Rgb background);
