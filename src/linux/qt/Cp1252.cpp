#include "qt/Cp1252.h"

#include <cstring>

#include "text/CodePage1252.h"

char16_t Cp1252ToUnicode(uint8_t byte) {
    return CodePage1252::ToUnicode(byte);
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
    return CodePage1252::FromUnicode(character);
}
