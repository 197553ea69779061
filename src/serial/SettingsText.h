#pragma once
#include <cstddef>
#include <cstdint>

#include "serial/LineSettings.h"

// The short text through which the main window and the port settings dialog
// hand line settings to each other: "%03u_%06u_%c_%u_%u_%c_", that is port,
// baud, parity letter, data bits, stop bits and a save-mode letter, each
// followed by an underscore. COM1 at 115200,E,8,1 asked of the dialog reads
// 001_115200_E_8_1_X_.
inline constexpr size_t kSettingsTextCapacity = 100;

// The save-mode letters: the request the window sends, and the dialog's two
// answers ("permanently" ticked or not). ESCAPE hands the request back.
inline constexpr char kSaveModeRequest = 'X';
inline constexpr char kSaveModePermanent = 'P';
inline constexpr char kSaveModeSession = '0';

struct SettingsText {
    char text[kSettingsTextCapacity] = {};
};

struct SettingsAnswer {
    LineSettings lineSettings;
    char saveMode = kSaveModeRequest;
};

// "COM1: 115200,E,8,1": the port in use as the settings field and the log
// show it.
void FormatPortSettings(const LineSettings& lineSettings, char* out, size_t capacity);

// Replaces all of out; the characters after the text are zero.
void WriteSettingsText(const LineSettings& lineSettings, char saveMode, SettingsText& out);

// Reads the fields back. Where every value fits its width this is the same as
// reading at the fixed positions 0, 4, 11, 13, 15 and 17; a wider value (a
// setup file may bring 1000000 baud or ten data bits) pushes the later fields
// on instead of being read half. A number is read as the C library reads one
// (blanks, a sign, digits up to the first non-digit); the port keeps its low
// 16 bits, data and stop bits their low 8. A text cut short reads 0 and '\0'
// for the fields it lacks.
SettingsAnswer ReadSettingsText(const SettingsText& in);

// The number at the start of text, read as the C library reads one, looking
// at no more than length characters and stopping at a terminator. Saturates
// at the int32 range. used (when given) receives the characters taken.
int32_t ReadLeadingNumber(const char* text, size_t length, size_t* used = nullptr);
