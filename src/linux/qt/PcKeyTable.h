#pragma once
#include <cstdint>

// Evdev key codes (X keycode - 8) the translation treats specially.
namespace Evdev {
inline constexpr uint32_t kEsc = 1;
inline constexpr uint32_t kBackspace = 14;
inline constexpr uint32_t kTab = 15;
inline constexpr uint32_t kEnter = 28;
inline constexpr uint32_t kLeftCtrl = 29;
inline constexpr uint32_t kLeftShift = 42;
inline constexpr uint32_t kRightShift = 54;
inline constexpr uint32_t kLeftAlt = 56;
inline constexpr uint32_t kSpace = 57;
inline constexpr uint32_t kCapsLock = 58;
inline constexpr uint32_t kF1 = 59;
inline constexpr uint32_t kF10 = 68;
inline constexpr uint32_t kNumLock = 69;
inline constexpr uint32_t kKeypadDot = 83;
inline constexpr uint32_t kLessGreater = 86;
inline constexpr uint32_t kF11 = 87;
inline constexpr uint32_t kF12 = 88;
inline constexpr uint32_t kKeypadEnter = 96;
inline constexpr uint32_t kRightCtrl = 97;
inline constexpr uint32_t kKeypadSlash = 98;
inline constexpr uint32_t kRightAlt = 100;
inline constexpr uint32_t kHome = 102;
inline constexpr uint32_t kUp = 103;
inline constexpr uint32_t kPageUp = 104;
inline constexpr uint32_t kLeft = 105;
inline constexpr uint32_t kRight = 106;
inline constexpr uint32_t kEnd = 107;
inline constexpr uint32_t kDown = 108;
inline constexpr uint32_t kPageDown = 109;
inline constexpr uint32_t kInsert = 110;
inline constexpr uint32_t kDelete = 111;
inline constexpr uint32_t kPause = 119;
inline constexpr uint32_t kLeftMeta = 125;
inline constexpr uint32_t kMenu = 127;
}  // namespace Evdev

// Where a key sits on a PC keyboard, as a Win32 key message reports it.
struct PcKey {
    uint16_t virtualKey = 0;  // by the key's position on a US keyboard
    uint8_t scanCode = 0;     // set-1 make code without the E0 prefix
    bool extended = false;    // the E0 prefix: cursor block, right Ctrl/Alt ...
};

// The PC key of an evdev code; virtualKey 0 for codes a PC keyboard lacks.
PcKey PcKeyOf(uint32_t evdevCode);

// True for the keys of the main block whose virtual key follows the layout's
// letter (the Z of a German keyboard is where a US keyboard has its Y).
bool IsMainBlockKey(uint32_t evdevCode);
