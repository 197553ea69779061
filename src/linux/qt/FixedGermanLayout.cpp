#include "qt/FixedGermanLayout.h"

#include "qt/PcKeyTable.h"

namespace {

struct GermanKey {
    uint32_t evdev;
    char32_t base;
    char32_t shifted;
};

// The characters that xkb's "de" layout puts on levels 1 and 2, dead keys in
// their spacing form; control characters where xkb gives them to a key.
// clang-format off
constexpr GermanKey kKeys[] = {
    {1, 0x1B, 0x1B}, {2, '1', '!'}, {3, '2', '"'}, {4, '3', 0xA7}, {5, '4', '$'}, {6, '5', '%'},
    {7, '6', '&'}, {8, '7', '/'}, {9, '8', '('}, {10, '9', ')'}, {11, '0', '='}, {12, 0xDF, '?'},
    {13, 0xB4, '`'}, {14, 0x08, 0x08}, {15, 0x09, 0x09}, {16, 'q', 'Q'}, {17, 'w', 'W'},
    {18, 'e', 'E'}, {19, 'r', 'R'}, {20, 't', 'T'}, {21, 'z', 'Z'}, {22, 'u', 'U'}, {23, 'i', 'I'},
    {24, 'o', 'O'}, {25, 'p', 'P'}, {26, 0xFC, 0xDC}, {27, '+', '*'}, {28, 0x0D, 0x0D},
    {30, 'a', 'A'}, {31, 's', 'S'}, {32, 'd', 'D'}, {33, 'f', 'F'}, {34, 'g', 'G'}, {35, 'h', 'H'},
    {36, 'j', 'J'}, {37, 'k', 'K'}, {38, 'l', 'L'}, {39, 0xF6, 0xD6}, {40, 0xE4, 0xC4},
    {41, '^', 0xB0}, {43, '#', '\''}, {44, 'y', 'Y'}, {45, 'x', 'X'}, {46, 'c', 'C'},
    {47, 'v', 'V'}, {48, 'b', 'B'}, {49, 'n', 'N'}, {50, 'm', 'M'}, {51, ',', ';'}, {52, '.', ':'},
    {53, '-', '_'}, {55, '*', '*'}, {57, ' ', ' '}, {74, '-', '-'}, {78, '+', '+'}, {86, '<', '>'},
    {96, 0x0D, 0x0D}, {98, '/', '/'},
};
// clang-format on

char32_t UpperLatin1(char32_t c) {
    const bool lowerAscii = c >= 'a' && c <= 'z';
    const bool lowerLatin1 = c >= 0xE0 && c <= 0xFE && c != 0xF7;
    return lowerAscii || lowerLatin1 ? c - 0x20 : c;
}

}  // namespace

char32_t FixedGermanLayout::BaseCharacter(uint32_t evdevCode, uint32_t /*group*/) {
    for (const GermanKey& key : kKeys) {
        if (key.evdev == evdevCode) return key.base;
    }
    return 0;
}

uint32_t FixedGermanLayout::KeyOfCharacter(char32_t character) {
    if (character == 0) return 0;
    const char32_t wanted = UpperLatin1(character);
    for (const GermanKey& key : kKeys) {
        if (!IsMainBlockKey(key.evdev) && key.evdev != Evdev::kSpace) continue;
        if (UpperLatin1(key.base) == wanted || UpperLatin1(key.shifted) == wanted) {
            return key.evdev;
        }
    }
    return 0;
}
