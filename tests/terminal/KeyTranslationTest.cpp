#include <gtest/gtest.h>

#include "terminal/KeyTranslation.h"
#include "terminal/VirtualKeys.h"

namespace {

namespace Vk = VirtualKey;

KeyMessage Key(uint16_t virtualKey, KeyKind kind = KeyKind::KeyDown, bool alt = false,
               bool extended = false, uint8_t scanCode = 0) {
    KeyMessage m;
    m.kind = kind;
    m.virtualKey = virtualKey;
    m.altContext = alt;
    m.extended = extended;
    m.scanCode = scanCode;
    return m;
}

KeyboardState Keyboard(uint8_t unshifted, bool shift = false) {
    KeyboardState k;
    k.unshiftedChar = unshifted;
    k.shiftDown = shift;
    return k;
}

TEST(TranslateKey, GermanLayoutRules) {
    struct Case {
        const char* name;
        uint16_t vk;
        uint8_t unshifted;
        bool shift, altGr;
        uint8_t sent;
    } const cases[] = {
        {"a", 'A', 'A', false, false, 'a'},
        {"Shift+a", 'A', 'A', true, false, 'A'},
        {"Shift+3", '3', '3', true, false, 0xA7},
        {"Shift+sz", 0xDB, 0xDF, true, false, '?'},
        {"Shift+ae", 0xDE, 0xE4, true, false, 0xC4},
        {"Shift+#", 0xBF, '#', true, false, '\''},
        {"Shift+2", '2', '2', true, false, '"'},
        {"AltGr+Q", 'Q', 'Q', false, true, '@'},
        {"AltGr+8", '8', '8', false, true, '['},
        {"AltGr+0", '0', '0', false, true, '}'},
        {"AltGr+E keeps e", 'E', 'E', false, true, 'e'},
        {"Shift+ue", 0xBA, 0xFC, true, false, 0xDC},
    };
    for (const Case& c : cases) {
        KeyMessage m = Key(c.vk, KeyKind::KeyDown, c.altGr);
        EXPECT_EQ(TranslateKey(m, Keyboard(c.unshifted, c.shift)), c.sent) << c.name;
        KeyDecision d = ClassifyKey(m, Keyboard(c.unshifted, c.shift));
        EXPECT_EQ(d.action, KeyAction::Send) << c.name;
        EXPECT_EQ(d.byte, c.sent) << c.name;
    }
}

TEST(ClassifyKey, WhatIsPassedOnConsumedOrRequested) {
    struct Case {
        const char* name;
        KeyMessage message;
        KeyAction action;
    } const cases[] = {
        {"Alt+X", Key(Vk::kLetterX, KeyKind::SystemKeyDown, true), KeyAction::CloseWindow},
        {"Alt+C", Key(Vk::kLetterC, KeyKind::SystemKeyDown, true), KeyAction::ClearDisplay},
        {"Alt+A", Key(Vk::kLetterA, KeyKind::SystemKeyDown, true), KeyAction::Consume},
        {"Alt+F4", Key(Vk::kF4, KeyKind::SystemKeyDown, true), KeyAction::Consume},
        {"F10 alone", Key(Vk::kF10, KeyKind::SystemKeyDown), KeyAction::PassOn},
        {"wheel", Key(0, KeyKind::MouseWheel), KeyAction::Consume},
        {"other message", Key(Vk::kLetterA, KeyKind::Other), KeyAction::PassOn},
        {"cursor left", Key(Vk::kLeft, KeyKind::KeyDown, false, true), KeyAction::Consume},
        {"Delete", Key(Vk::kDelete, KeyKind::KeyDown, false, true), KeyAction::Consume},
        {"keypad Enter", Key(Vk::kEnter, KeyKind::KeyDown, false, true), KeyAction::Consume},
        {"keypad Left", Key(Vk::kLeft), KeyAction::PassOn},
        {"left Alt", Key(Vk::kAlt, KeyKind::KeyDown, false, false, 0x38), KeyAction::PassOn},
        {"Backspace", Key(Vk::kBackspace), KeyAction::PassOn},
        {"Tab", Key(Vk::kTab), KeyAction::PassOn},
        {"F1", Key(Vk::kF1), KeyAction::PassOn},
        {"Ctrl", Key(Vk::kControl), KeyAction::Consume},
        {"keypad Up", Key(Vk::kUp), KeyAction::Consume},
        {"Enter", Key(Vk::kEnter), KeyAction::StopStreamOrSend},
        {"Escape", Key(Vk::kEscape), KeyAction::StopStreamOrSend},
        // Keys without a character: a NUL byte would be a command or a
        // framing error to many devices.
        {"F11", Key(Vk::kF11), KeyAction::Consume},
        {"F12", Key(Vk::kF12), KeyAction::Consume},
        {"Pause", Key(Vk::kPause), KeyAction::Consume},
        {"Caps Lock", Key(Vk::kCapsLock), KeyAction::Consume},
        {"Scroll Lock", Key(Vk::kScrollLock), KeyAction::Consume},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyKey(c.message, Keyboard(0)).action, c.action) << c.name;
    }
    // Shift or AltGr held give a key without a character none either.
    EXPECT_EQ(ClassifyKey(Key(Vk::kCapsLock), Keyboard(0, true)).action, KeyAction::Consume);
    EXPECT_EQ(ClassifyKey(Key(Vk::kF12, KeyKind::KeyDown, true), Keyboard(0)).action,
              KeyAction::Consume);
    for (uint16_t k = 2; k <= 10; ++k) {
        KeyDecision d = ClassifyKey(Key(static_cast<uint16_t>(Vk::kF1 + k - 1)), Keyboard(0));
        EXPECT_EQ(d.action, KeyAction::FunctionKey) << k;
        EXPECT_EQ(d.functionKey, k);
    }
}

}  // namespace
