#pragma once
#include <QString>
#include <cstddef>
#include <cstdint>

// The core keeps Windows-1252 bytes; Qt widgets want UTF-16. These are the
// only two places where the one table is applied.

// The character a byte stands for. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their value as a C1 control.
char16_t Cp1252ToUnicode(uint8_t byte);

QString Cp1252ToQString(const char* text, size_t length);
QString Cp1252ToQString(const char* text);

// The byte for a character; '?' when the code page has none, so that a name
// typed in a dialog never turns into a different, valid character.
uint8_t UnicodeToCp1252(char16_t character);
