#pragma once
#include <cstdint>

// Win32 virtual-key codes by name: the key messages of both front ends carry
// them, so the core, the Qt layer and the tests spell keys the same way.
namespace VirtualKey {
inline constexpr uint16_t kBackspace = 0x08;
inline constexpr uint16_t kTab = 0x09;
inline constexpr uint16_t kEnter = 0x0D;
inline constexpr uint16_t kShift = 0x10;
inline constexpr uint16_t kControl = 0x11;
inline constexpr uint16_t kAlt = 0x12;
inline constexpr uint16_t kPause = 0x13;
inline constexpr uint16_t kCapsLock = 0x14;
inline constexpr uint16_t kEscape = 0x1B;
inline constexpr uint16_t kLeft = 0x25;
inline constexpr uint16_t kUp = 0x26;
inline constexpr uint16_t kRight = 0x27;
inline constexpr uint16_t kDown = 0x28;
inline constexpr uint16_t kInsert = 0x2D;
inline constexpr uint16_t kDelete = 0x2E;
// Letters and digits are their upper-case ASCII codes.
inline constexpr uint16_t kLetterA = 'A';
inline constexpr uint16_t kLetterC = 'C';
inline constexpr uint16_t kLetterQ = 'Q';
inline constexpr uint16_t kLetterX = 'X';
// The keypad's digits and decimal key, as Num Lock makes them.
inline constexpr uint16_t kNumpad0 = 0x60;
inline constexpr uint16_t kDecimal = 0x6E;
inline constexpr uint16_t kF1 = 0x70;
inline constexpr uint16_t kF2 = 0x71;
inline constexpr uint16_t kF3 = 0x72;
inline constexpr uint16_t kF4 = 0x73;
inline constexpr uint16_t kF5 = 0x74;
inline constexpr uint16_t kF6 = 0x75;
inline constexpr uint16_t kF7 = 0x76;
inline constexpr uint16_t kF8 = 0x77;
inline constexpr uint16_t kF9 = 0x78;
inline constexpr uint16_t kF10 = 0x79;
inline constexpr uint16_t kF11 = 0x7A;
inline constexpr uint16_t kF12 = 0x7B;
inline constexpr uint16_t kScrollLock = 0x91;
}  // namespace VirtualKey
