#pragma once
#include <QFont>
#include <QRect>

#include "resources/DialogLayout.h"

// Dialog units scale with the dialog font: a horizontal unit is a quarter of
// the font's average character width, a vertical one an eighth of its height.
struct BaseUnits {
    int x = 8;
    int y = 16;
};

BaseUnits BaseUnitsOf(const QFont& font);
int DialogX(int units, const BaseUnits& base);
int DialogY(int units, const BaseUnits& base);
QRect DialogRect(const ControlLayout& control, const BaseUnits& base);
QSize DialogSize(const DialogLayout& layout, const BaseUnits& base);

// The font every control of the program uses: DejaVu Sans Mono from the
// Debian font package at a fixed pixel size, so that the window has the same
// size on every machine. Falls back to the system's fixed font without it.
QFont DialogFont();
// The font of a layout: the fixed one above for the main window's "Fixedsys",
// DejaVu Sans at the same pixel size for the proportional dialogs.
QFont DialogFontOf(const DialogLayout& layout);
