#include "qt/Cp1252.h"

#include <cstring>

namespace {

// 0x80..0x9F; the rest of the code page is identical to Latin-1.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr uint8_t kFirstHigh = 0x80;
constexpr uint8_t kLastHigh = 0x9F;
constexpr uint8_t kUnmappable = '?';

}  // namespace

char16_t Cp1252ToUnicode(uint8_t byte) {
    if (byte >= kFirstHigh && byte <= kLastHigh) return kHighControls[byte - kFirstHigh];
    return byte;
}

QString Cp1252ToQString(const char* text, size_t length) {
    QString result;
    if (text == nullptr) return result;
    result.resize(static_cast<qsizetype>(length));
    QChar* out = result.data();
    for (size_t i = 0; i < length; ++i) {
        out[i] = QChar(Cp1252ToUnicode(static_cast<uint8_t>(text[i])));
    }
    return result;
}

QString Cp1252ToQString(const char* text) {
    return Cp1252ToQString(text, text == nullptr ? 0 : std::strlen(text));
}

uint8_t UnicodeToCp1252(char16_t character) {
    if (character < kFirstHigh || (character > kLastHigh && character <= 0xFF)) {
        return static_cast<uint8_t>(character);
    }
    for (uint8_t i = 0; i < sizeof(kHighControls) / sizeof(kHighControls[0]); ++i) {
        if (kHighControls[i] == character) return static_cast<uint8_t>(kFirstHigh + i);
    }
    return kUnmappable;
}
