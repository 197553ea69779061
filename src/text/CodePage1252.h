#pragma once
#include <cstddef>
#include <cstdint>

// The program keeps received and typed text as Windows-1252 bytes; whatever
// leaves it as Unicode (Qt widgets, UTF-8 files) goes through this one table.

namespace CodePage1252 {

// 0x80..0x9F; the rest of the code page is identical to Latin-1. The five
// bytes it leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) keep their value
// as a C1 control.
inline constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
inline constexpr uint8_t kFirstHigh = 0x80;
inline constexpr uint8_t kLastHigh = 0x9F;
// Any character without a byte; a name typed in a dialog never turns into a
// different, valid character.
inline constexpr uint8_t kUnmappable = '?';
// The longest UTF-8 form of a character of the code page.
inline constexpr size_t kMaxUtf8Length = 3;

constexpr char16_t ToUnicode(uint8_t byte) {
    if (byte >= kFirstHigh && byte <= kLastHigh) return kHighControls[byte - kFirstHigh];
    return byte;
}

constexpr uint8_t FromUnicode(char16_t character) {
    if (character < kFirstHigh || (character > kLastHigh && character <= 0xFF)) {
        return static_cast<uint8_t>(character);
    }
    for (uint8_t i = 0; i < sizeof(kHighControls) / sizeof(kHighControls[0]); ++i) {
        if (kHighControls[i] == character) return static_cast<uint8_t>(kFirstHigh + i);
    }
    return kUnmappable;
}

// Writes the UTF-8 form of byte's character to out and returns its length.
constexpr size_t ToUtf8(uint8_t byte, char (&out)[kMaxUtf8Length]) {
    const char16_t c = ToUnicode(byte);
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
}

}  // namespace CodePage1252
