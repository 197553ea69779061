#pragma once
#include <memory>

#include "qt/FixedGermanLayout.h"
#include "qt/KeyboardLayout.h"
#include "qt/XkbLayout.h"

// The user's keyboard layout, read when it is first needed. Compiling the X
// server's keymap takes a millisecond or two, which the window's first
// appearance need not wait for: the host resolves it once the window is up,
// and a key that comes before that resolves it itself. Where there is no
// layout to read, a German PC keyboard stands in.
class DeferredKeyboardLayout final : public KeyboardLayout {
  public:
    DeferredKeyboardLayout() = default;
    DeferredKeyboardLayout(const DeferredKeyboardLayout&) = delete;
    DeferredKeyboardLayout& operator=(const DeferredKeyboardLayout&) = delete;
    ~DeferredKeyboardLayout() override;

    char32_t BaseCharacter(uint32_t evdevCode, uint32_t group) override;
    void Resolve();

  private:
    KeyboardLayout& Active();

    std::unique_ptr<XkbLayout> xkb;
    FixedGermanLayout german;
    bool resolved = false;
};
