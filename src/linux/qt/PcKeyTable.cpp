#include "qt/PcKeyTable.h"

#include <cstddef>

namespace {

struct Entry {
    uint32_t evdev;
    uint16_t virtualKey;
    uint8_t scanCode;
    bool extended;
};

// Evdev codes 1-88 of the main block and the keypad are the PC make codes
// themselves; the keys that a PC sends with an E0 prefix have evdev codes of
// their own and map back to the make code they share with a keypad key.
// clang-format off
constexpr Entry kEntries[] = {
    {1, 0x1B, 0x01, false}, {2, '1', 0x02, false}, {3, '2', 0x03, false}, {4, '3', 0x04, false},
    {5, '4', 0x05, false}, {6, '5', 0x06, false}, {7, '6', 0x07, false}, {8, '7', 0x08, false},
    {9, '8', 0x09, false}, {10, '9', 0x0A, false}, {11, '0', 0x0B, false}, {12, 0xBD, 0x0C, false},
    {13, 0xBB, 0x0D, false}, {14, 0x08, 0x0E, false}, {15, 0x09, 0x0F, false},
    {16, 'Q', 0x10, false}, {17, 'W', 0x11, false}, {18, 'E', 0x12, false}, {19, 'R', 0x13, false},
    {20, 'T', 0x14, false}, {21, 'Y', 0x15, false}, {22, 'U', 0x16, false}, {23, 'I', 0x17, false},
    {24, 'O', 0x18, false}, {25, 'P', 0x19, false}, {26, 0xDB, 0x1A, false},
    {27, 0xDD, 0x1B, false}, {28, 0x0D, 0x1C, false}, {29, 0x11, 0x1D, false},
    {30, 'A', 0x1E, false}, {31, 'S', 0x1F, false}, {32, 'D', 0x20, false}, {33, 'F', 0x21, false},
    {34, 'G', 0x22, false}, {35, 'H', 0x23, false}, {36, 'J', 0x24, false}, {37, 'K', 0x25, false},
    {38, 'L', 0x26, false}, {39, 0xBA, 0x27, false}, {40, 0xDE, 0x28, false},
    {41, 0xC0, 0x29, false}, {42, 0x10, 0x2A, false}, {43, 0xDC, 0x2B, false},
    {44, 'Z', 0x2C, false}, {45, 'X', 0x2D, false}, {46, 'C', 0x2E, false}, {47, 'V', 0x2F, false},
    {48, 'B', 0x30, false}, {49, 'N', 0x31, false}, {50, 'M', 0x32, false}, {51, 0xBC, 0x33, false},
    {52, 0xBE, 0x34, false}, {53, 0xBF, 0x35, false}, {54, 0x10, 0x36, false},
    {55, 0x6A, 0x37, false}, {56, 0x12, 0x38, false}, {57, 0x20, 0x39, false},
    {58, 0x14, 0x3A, false}, {59, 0x70, 0x3B, false}, {60, 0x71, 0x3C, false},
    {61, 0x72, 0x3D, false}, {62, 0x73, 0x3E, false}, {63, 0x74, 0x3F, false},
    {64, 0x75, 0x40, false}, {65, 0x76, 0x41, false}, {66, 0x77, 0x42, false},
    {67, 0x78, 0x43, false}, {68, 0x79, 0x44, false}, {69, 0x90, 0x45, true},
    {70, 0x91, 0x46, false},
    // Keypad with Num Lock off; Num Lock on changes the virtual key.
    {71, 0x24, 0x47, false}, {72, 0x26, 0x48, false}, {73, 0x21, 0x49, false},
    {74, 0x6D, 0x4A, false}, {75, 0x25, 0x4B, false}, {76, 0x0C, 0x4C, false},
    {77, 0x27, 0x4D, false}, {78, 0x6B, 0x4E, false}, {79, 0x23, 0x4F, false},
    {80, 0x28, 0x50, false}, {81, 0x22, 0x51, false}, {82, 0x2D, 0x52, false},
    {83, 0x2E, 0x53, false}, {86, 0xE2, 0x56, false}, {87, 0x7A, 0x57, false},
    {88, 0x7B, 0x58, false},
    // The E0 keys.
    {96, 0x0D, 0x1C, true}, {97, 0x11, 0x1D, true}, {98, 0x6F, 0x35, true}, {99, 0x2C, 0x37, true},
    {100, 0x12, 0x38, true}, {102, 0x24, 0x47, true}, {103, 0x26, 0x48, true},
    {104, 0x21, 0x49, true}, {105, 0x25, 0x4B, true}, {106, 0x27, 0x4D, true},
    {107, 0x23, 0x4F, true}, {108, 0x28, 0x50, true}, {109, 0x22, 0x51, true},
    {110, 0x2D, 0x52, true}, {111, 0x2E, 0x53, true}, {119, 0x13, 0x45, false},
    {125, 0x5B, 0x5B, true}, {126, 0x5C, 0x5C, true}, {127, 0x5D, 0x5D, true},
};
// clang-format on

}  // namespace

PcKey PcKeyOf(uint32_t evdevCode) {
    for (const Entry& entry : kEntries) {
        if (entry.evdev == evdevCode) return {entry.virtualKey, entry.scanCode, entry.extended};
    }
    return {};
}

bool IsMainBlockKey(uint32_t evdevCode) {
    // The four character rows, without Tab, Enter, Ctrl and Shift, and the
    // extra key left of Z on ISO keyboards.
    struct Row {
        uint32_t first;
        uint32_t last;
    };
    constexpr Row kRows[] = {{2, 13}, {16, 27}, {30, 41}, {43, 53}, {86, 86}};
    for (const Row& row : kRows) {
        if (evdevCode >= row.first && evdevCode <= row.last) return true;
    }
    return false;
}
