#pragma once
#include "qt/KeyboardLayout.h"

// A German PC keyboard (no dead-key variants), for when there is no X
// keyboard to ask: the offscreen platform and the tests.
class FixedGermanLayout final : public KeyboardLayout {
  public:
    char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) override;

    // The key that carries a character on its first or its Shift level,
    // letters compared without case; 0 when no key does.
    static uint32_t KeyOfCharacter(char32_t character);
};
