#pragma once
#include <cstdint>

// The active keyboard layout as the key translation needs it: the character
// on a key's first level, before Shift, Caps Lock or AltGr act on it.
class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;
    // Unicode character of the key (evdev code) in the given layout group; 0
    // when the key has no character there. Dead keys give their spacing form.
    virtual char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) = 0;
};

// The spacing character of an X dead-key keysym, or 0 for any other keysym.
char32_t DeadKeyCharacter(uint32_t keysym);
