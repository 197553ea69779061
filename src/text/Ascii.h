#pragma once
// Byte classes and letter case of plain ASCII. Unlike <cctype> they do not
// depend on the process locale and take any char, negative ones included.

inline constexpr bool IsAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}

inline constexpr char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline constexpr char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline void LowerAsciiText(char* text) {
    for (; *text != '\0'; ++text) *text = LowerAscii(*text);
}

inline void UpperAsciiText(char* text) {
    for (; *text != '\0'; ++text) *text = UpperAscii(*text);
}

// The value of a hexadecimal digit of either case; -1 for any other byte.
inline constexpr int HexDigitValue(char c) {
    if (IsAsciiDigit(c)) return c - '0';
    const char lower = LowerAscii(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// The white space the C library skips ahead of a number: blank, tab, line
// feed, vertical tab, form feed and carriage return.
inline constexpr bool IsNumberSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Skips such white space and then one sign within [text, end); returns where
// the digits would start, and sets negative for a minus.
inline const char* SkipBlanksAndSign(const char* text, const char* end, bool& negative) {
    while (text != end && IsNumberSpace(*text)) ++text;
    negative = text != end && *text == '-';
    if (text != end && (*text == '-' || *text == '+')) ++text;
    return text;
}
