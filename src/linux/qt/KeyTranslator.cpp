#include "qt/KeyTranslator.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include <QKeyEvent>

#include "qt/Cp1252.h"
#include "qt/FixedGermanLayout.h"
#include "qt/PcKeyTable.h"
#include "terminal/VirtualKeys.h"

namespace {

constexpr uint32_t kX11KeycodeOffset = 8;
// Core X modifier bits and the layout group (bits 13-14) of an event's state.
constexpr uint32_t kShiftMask = 0x0001;
constexpr uint32_t kControlMask = 0x0004;
constexpr uint32_t kMod1Mask = 0x0008;  // Alt
constexpr uint32_t kMod5Mask = 0x0080;  // ISO_Level3_Shift (AltGr)
constexpr uint32_t kGroupShift = 13;
constexpr uint32_t kGroupMask = 0x3;

struct QtKeyEntry {
    int qtKey;
    uint32_t evdev;
};

// Qt keys without a character, where the key they came from is known.
constexpr QtKeyEntry kQtSpecialKeys[] = {
    {Qt::Key_Escape, Evdev::kEsc},
    {Qt::Key_Backspace, Evdev::kBackspace},
    {Qt::Key_Tab, Evdev::kTab},
    {Qt::Key_Backtab, Evdev::kTab},
    {Qt::Key_Return, Evdev::kEnter},
    {Qt::Key_Enter, Evdev::kKeypadEnter},
    {Qt::Key_Control, Evdev::kLeftCtrl},
    {Qt::Key_Shift, Evdev::kLeftShift},
    {Qt::Key_Alt, Evdev::kLeftAlt},
    {Qt::Key_AltGr, Evdev::kRightAlt},
    {Qt::Key_CapsLock, Evdev::kCapsLock},
    {Qt::Key_NumLock, Evdev::kNumLock},
    {Qt::Key_F11, Evdev::kF11},
    {Qt::Key_F12, Evdev::kF12},
    {Qt::Key_Home, Evdev::kHome},
    {Qt::Key_Up, Evdev::kUp},
    {Qt::Key_PageUp, Evdev::kPageUp},
    {Qt::Key_Left, Evdev::kLeft},
    {Qt::Key_Right, Evdev::kRight},
    {Qt::Key_End, Evdev::kEnd},
    {Qt::Key_Down, Evdev::kDown},
    {Qt::Key_PageDown, Evdev::kPageDown},
    {Qt::Key_Insert, Evdev::kInsert},
    {Qt::Key_Delete, Evdev::kDelete},
    {Qt::Key_Pause, Evdev::kPause},
    {Qt::Key_Meta, Evdev::kLeftMeta},
    {Qt::Key_Menu, Evdev::kMenu},
    {Qt::Key_Dead_Circumflex, 41},
    {Qt::Key_Dead_Acute, 13},
    {Qt::Key_Dead_Grave, 13},
};

// Keypad keys by the Qt key they give with Num Lock on, in evdev order of
// the digits 0-9.
constexpr uint32_t kKeypadDigitKeys[10] = {82, 79, 80, 81, 75, 76, 77, 71, 72, 73};

bool IsKeypadDigitKey(uint32_t evdev) {
    for (uint32_t key : kKeypadDigitKeys) {
        if (key == evdev) return true;
    }
    return false;
}

uint32_t EvdevOfQtKey(int qtKey, bool keypad, uint32_t& keysym) {
    keysym = 0;
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F10) {
        return Evdev::kF1 + static_cast<uint32_t>(qtKey - Qt::Key_F1);
    }
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
            const int digit = qtKey - Qt::Key_0;
            keysym = XKB_KEY_KP_0 + static_cast<uint32_t>(digit);
            return kKeypadDigitKeys[digit];
        }
        if (qtKey == Qt::Key_Period || qtKey == Qt::Key_Comma) {
            keysym = qtKey == Qt::Key_Period ? XKB_KEY_KP_Decimal : XKB_KEY_KP_Separator;
            return Evdev::kKeypadDot;
        }
        if (qtKey == Qt::Key_Asterisk) return 55;
        if (qtKey == Qt::Key_Minus) return 74;
        if (qtKey == Qt::Key_Plus) return 78;
        if (qtKey == Qt::Key_Slash) return Evdev::kKeypadSlash;
    }
    for (const QtKeyEntry& entry : kQtSpecialKeys) {
        if (entry.qtKey == qtKey) return entry.evdev;
    }
    if (qtKey > 0 && qtKey <= 0xFF) {
        return FixedGermanLayout::KeyOfCharacter(static_cast<char32_t>(qtKey));
    }
    return 0;
}

// The Num Lock side of a keypad key: its virtual key and character, when the
// event's keysym shows that Num Lock was on.
bool KeypadNumber(const RawKey& key, uint16_t& virtualKey, char32_t& character) {
    if (IsKeypadDigitKey(key.evdev) && key.keysym >= XKB_KEY_KP_0 && key.keysym <= XKB_KEY_KP_9) {
        const uint32_t digit = key.keysym - XKB_KEY_KP_0;
        virtualKey = static_cast<uint16_t>(VirtualKey::kNumpad0 + digit);
        character = U'0' + digit;
        return true;
    }
    if (key.evdev == Evdev::kKeypadDot &&
        (key.keysym == XKB_KEY_KP_Decimal || key.keysym == XKB_KEY_KP_Separator)) {
        virtualKey = VirtualKey::kDecimal;
        character = key.keysym == XKB_KEY_KP_Decimal ? U'.' : U',';
        return true;
    }
    return false;
}

}  // namespace

uint8_t LayoutCharacterByte(char32_t character) {
    if (character >= 'a' && character <= 'z') return static_cast<uint8_t>(character - 'a' + 'A');
    if (character < 0x80) return static_cast<uint8_t>(character);
    if (character <= 0x9F) return 0;  // C1 controls have no key character
    if (character <= 0xFF) return static_cast<uint8_t>(character);
    if (character > 0xFFFF) return 0;
    const uint8_t byte = UnicodeToCp1252(static_cast<char16_t>(character));
    return byte >= 0x80 ? byte : 0;
}

KeyTranslator::KeyTranslator(KeyboardLayout& layout) : layout(layout) {}

bool KeyTranslator::RawFromEvent(const QKeyEvent& event, RawKey& key) {
    key = RawKey{};
    if (event.nativeScanCode() >= kX11KeycodeOffset) {
        const uint32_t state = event.nativeModifiers();
        key.evdev = event.nativeScanCode() - kX11KeycodeOffset;
        key.keysym = event.nativeVirtualKey();
        key.group = (state >> kGroupShift) & kGroupMask;
        key.shift = (state & kShiftMask) != 0;
        key.ctrl = (state & kControlMask) != 0;
        key.alt = (state & kMod1Mask) != 0;
        key.altGr = (state & kMod5Mask) != 0;
        // Layouts may put AltGr on a key of its own that no PC has (xkb's
        // LVL3); it is still the PC's right Alt.
        if (key.keysym == XKB_KEY_ISO_Level3_Shift || key.keysym == XKB_KEY_Mode_switch) {
            key.evdev = Evdev::kRightAlt;
        }
    } else {
        const Qt::KeyboardModifiers modifiers = event.modifiers();
        key.evdev = EvdevOfQtKey(event.key(), modifiers.testFlag(Qt::KeypadModifier), key.keysym);
        key.shift = modifiers.testFlag(Qt::ShiftModifier);
        key.ctrl = modifiers.testFlag(Qt::ControlModifier);
        key.alt = modifiers.testFlag(Qt::AltModifier);
        key.altGr = modifiers.testFlag(Qt::GroupSwitchModifier);
    }
    if (key.evdev == 0 || PcKeyOf(key.evdev).virtualKey == 0) return false;
    // A modifier key's own press already counts as held, as Windows reports it.
    switch (key.evdev) {
        case Evdev::kLeftShift:
        case Evdev::kRightShift:
            key.shift = true;
            break;
        case Evdev::kLeftCtrl:
        case Evdev::kRightCtrl:
            key.ctrl = true;
            break;
        case Evdev::kLeftAlt:
            key.alt = true;
            break;
        case Evdev::kRightAlt:
            key.altGr = true;
            break;
        default:
            break;
    }
    return true;
}

void KeyTranslator::TranslateRaw(const RawKey& key, KeyMessage& message,
                                 KeyboardState& keyboard) const {
    const PcKey pc = PcKeyOf(key.evdev);
    uint16_t virtualKey = pc.virtualKey;
    char32_t character = 0;
    if (!KeypadNumber(key, virtualKey, character)) {
        character = layout.BaseCharacter(key.evdev, key.group);
        // Letter keys are named by the layout's letter, as Windows does.
        if (IsMainBlockKey(key.evdev) && character >= 'a' && character <= 'z') {
            virtualKey = static_cast<uint16_t>(character - 'a' + 'A');
        }
    }

    message = KeyMessage{};
    message.virtualKey = virtualKey;
    message.scanCode = pc.scanCode;
    message.extended = pc.extended;
    // Windows reports AltGr as Ctrl+Alt, and Ctrl+Alt as an ordinary key with
    // the Alt context; Alt alone makes a system key, and so does F10.
    if (key.altGr || (key.alt && key.ctrl)) {
        message.kind = KeyKind::KeyDown;
        message.altContext = true;
    } else if (key.alt) {
        message.kind = KeyKind::SystemKeyDown;
        message.altContext = true;
    } else if (key.evdev == Evdev::kF10) {
        message.kind = KeyKind::SystemKeyDown;
    } else {
        message.kind = KeyKind::KeyDown;
    }

    keyboard = KeyboardState{};
    keyboard.shiftDown = key.shift;
    keyboard.unshiftedChar = LayoutCharacterByte(character);
}

bool KeyTranslator::Translate(const QKeyEvent& event, KeyMessage& message,
                              KeyboardState& keyboard) const {
    RawKey key;
    if (!RawFromEvent(event, key)) return false;
    TranslateRaw(key, message, keyboard);
    return true;
}
