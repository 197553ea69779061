#pragma once
#include <cstdint>

// A platform key or wheel event as the key filter sees it: the fields of a
// Win32 key message, which each front end fills from its own event.
enum class KeyKind : uint8_t { KeyDown, SystemKeyDown, MouseWheel, Other };

struct KeyMessage {
    KeyKind kind = KeyKind::Other;
    uint16_t virtualKey = 0;  // Win32 virtual-key code
    uint8_t scanCode = 0;     // PC scan code (key data bits 16-23)
    bool extended = false;    // key data bit 24
    bool altContext = false;  // key data bit 29: Alt held
};

// The keyboard state the translation needs.
struct KeyboardState {
    bool shiftDown = false;
    // The key's unshifted character in the active layout (low 8 bits of the
    // virtual-key-to-character mapping); 0 when the layout has none.
    uint8_t unshiftedChar = 0;
};

enum class KeyResult : uint8_t { Handled, PassOn };
