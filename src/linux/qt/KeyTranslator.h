#pragma once
#include <cstdint>

#include "qt/KeyboardLayout.h"
#include "terminal/KeyMessage.h"

class QKeyEvent;

// A key press reduced to what a PC keyboard reports: which key (evdev code),
// the keysym the event produced (it tells the keypad's Num Lock state), the
// layout group and the modifiers held.
struct RawKey {
    uint32_t evdev = 0;
    uint32_t keysym = 0;
    uint32_t group = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool altGr = false;
};

// Turns Qt key presses into the key messages of a Win32 keyboard, so that the
// window logic classifies and translates keys the same way on both systems.
class KeyTranslator {
  public:
    explicit KeyTranslator(KeyboardLayout& layout);

    // False for a key this keyboard model does not know (multimedia keys ...).
    bool Translate(const QKeyEvent& event, KeyMessage& message, KeyboardState& keyboard) const;
    void TranslateRaw(const RawKey& key, KeyMessage& message, KeyboardState& keyboard) const;

    // From an X key event when Qt kept its native data, otherwise from Qt's
    // key code by the position of that key on a German keyboard.
    static bool RawFromEvent(const QKeyEvent& event, RawKey& key);

  private:
    KeyboardLayout& layout;
};

// The byte a Win32 ANSI mapping gives for a character: Latin-1 and the other
// Windows-1252 characters as their byte, ASCII letters in upper case, 0 for
// everything the code page lacks.
uint8_t LayoutCharacterByte(char32_t character);
