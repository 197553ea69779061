#pragma once
#include "resources/DialogLayout.h"

// A control whose background the program fixes must fix its text colour too:
// the desktop theme's text colour was chosen for the theme's own background,
// and a dark theme's light text on the display's light green is unreadable.

// The contrast ratio of two colours as screen-reading guidelines define it,
// from 1 (none) to 21 (black on white).
double ContrastRatio(Rgb first, Rgb second);

// Black or white, whichever reads better on background.
Rgb TextColourOn(Rgb background);
