#pragma once
#include <windows.h>

#include "terminal/KeyMessage.h"

// Whether a window message is one the key filter must see first.
bool IsFilteredKeyMessage(UINT message);
// The key filter's view of a key or wheel message.
KeyMessage KeyMessageOf(UINT message, WPARAM wParam, LPARAM lParam);
// Shift as the keyboard state reports it, and the key's unshifted character
// in the active layout.
KeyboardState KeyboardStateFor(const KeyMessage& message);
