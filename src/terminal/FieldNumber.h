#pragma once
#include <cstddef>

// Numbers inside short fixed-width fields of received data. Both readers take
// the longest prefix the C library's text-to-number conversions would take in
// the "C" locale, but never look past `length` characters or a terminator,
// never depend on the process locale, and never allocate.

// Longest field these readers look at; a longer length is cut to it.
inline constexpr size_t kMaxFieldChars = 16;

// Decimal or hexadecimal floating text, "inf" and "nan" included, correctly
// rounded as the text-to-double conversion rounds it; 0 when nothing converts.
double ParseDoubleField(const char* text, size_t length);

// Optional blanks, an optional sign and decimal digits, as the text-to-integer
// conversion reads them; 0 when nothing converts.
int ParseIntField(const char* text, size_t length);
