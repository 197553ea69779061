#pragma once
#include <QIcon>

// Icon 128 of the program, drawn in code: a nine-pin connector and the green
// lamp of an open port.
QIcon AppIcon();
