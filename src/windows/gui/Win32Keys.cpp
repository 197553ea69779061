#include "Win32Keys.h"

namespace {

constexpr unsigned kScanCodeShift = 16;
constexpr LPARAM kScanCodeMask = 0xFF;
constexpr LPARAM kExtendedBit = LPARAM{1} << 24;
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;
constexpr UINT kVirtualKeyToChar = 2;  // MAPVK_VK_TO_CHAR

}  // namespace

bool IsFilteredKeyMessage(UINT message) {
    return message == WM_KEYDOWN || message == WM_SYSKEYDOWN || message == WM_MOUSEWHEEL;
}

KeyMessage KeyMessageOf(UINT message, WPARAM wParam, LPARAM lParam) {
    KeyMessage key;
    switch (message) {
        case WM_KEYDOWN:
            key.kind = KeyKind::KeyDown;
            break;
        case WM_SYSKEYDOWN:
            key.kind = KeyKind::SystemKeyDown;
            break;
        case WM_MOUSEWHEEL:
            key.kind = KeyKind::MouseWheel;
            return key;
        default:
            key.kind = KeyKind::Other;
            return key;
    }
    key.virtualKey = static_cast<uint16_t>(wParam & 0xFFFF);
    key.scanCode = static_cast<uint8_t>((lParam >> kScanCodeShift) & kScanCodeMask);
    key.extended = (lParam & kExtendedBit) != 0;
    key.altContext = (lParam & kAltContextBit) != 0;
    return key;
}

KeyboardState KeyboardStateFor(const KeyMessage& message) {
    KeyboardState state;
    state.shiftDown = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    state.unshiftedChar =
        static_cast<uint8_t>(MapVirtualKeyA(message.virtualKey, kVirtualKeyToChar) & 0xFF);
    return state;
}
