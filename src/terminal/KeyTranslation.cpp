#include "terminal/KeyTranslation.h"

#include "terminal/VirtualKeys.h"
#include "text/Ascii.h"

namespace {

namespace Vk = VirtualKey;

constexpr uint8_t kLeftAltScanCode = 0x38;
constexpr uint8_t kNoCharacter = 0;

struct CharPair {
    uint8_t from, to;
};

// AltGr on the German layout.
constexpr CharPair kAltGrChars[] = {
    {'7', '{'}, {'8', '['}, {'9', ']'}, {'0', '}'}, {'Q', '@'},
};

// Shift on the German layout, by the unshifted character (Windows-1252).
constexpr CharPair kShiftedChars[] = {
    {'#', '\''}, {'+', '*'},  {',', ';'},   {'-', '_'},   {'.', ':'},   {'0', '='}, {'1', '!'},
    {'2', '"'},  {'3', 0xA7}, {'4', '$'},   {'5', '%'},   {'6', '&'},   {'7', '/'}, {'8', '('},
    {'9', ')'},  {0xDF, '?'}, {0xE4, 0xC4}, {0xF6, 0xD6}, {0xFC, 0xDC},
};

template <typename Table>
bool Lookup(const Table& table, uint8_t from, uint8_t& to) {
    for (const CharPair& pair : table) {
        if (pair.from == from) {
            to = pair.to;
            return true;
        }
    }
    return false;
}

KeyDecision Decide(KeyAction action, uint8_t byte = 0, uint8_t functionKey = 0) {
    return KeyDecision{action, byte, functionKey};
}

KeyDecision ClassifySystemKey(const KeyMessage& message) {
    if (!message.altContext) return Decide(KeyAction::PassOn);  // F10 alone
    if (message.virtualKey == Vk::kLetterX) return Decide(KeyAction::CloseWindow);
    if (message.virtualKey == Vk::kLetterC) return Decide(KeyAction::ClearDisplay);
    return Decide(KeyAction::Consume);
}

KeyDecision ClassifyKeyDown(const KeyMessage& message, const KeyboardState& keyboard) {
    // The cursor and editing block, keypad Enter and '/', AltGr itself.
    if (message.extended) return Decide(KeyAction::Consume);
    uint16_t vk = message.virtualKey;
    if (vk == Vk::kAlt && message.scanCode == kLeftAltScanCode) return Decide(KeyAction::PassOn);
    switch (vk) {
        case Vk::kBackspace:
        case Vk::kTab:
        case Vk::kShift:
        case Vk::kLeft:
        case Vk::kRight:
        case Vk::kInsert:
        case Vk::kF1:
            return Decide(KeyAction::PassOn);
        case Vk::kEnter:
        case Vk::kEscape:
            return Decide(KeyAction::StopStreamOrSend, TranslateKey(message, keyboard));
        case Vk::kControl:
        case Vk::kUp:
        case Vk::kDown:
            return Decide(KeyAction::Consume);
        default:
            break;
    }
    if (vk >= Vk::kF2 && vk <= Vk::kF10) {
        return Decide(KeyAction::FunctionKey, 0, static_cast<uint8_t>(vk - Vk::kF1 + 1));
    }
    // F11, Pause, Caps Lock and the like: to many devices a NUL byte is a
    // command or a framing error, so a key without a character sends nothing.
    const uint8_t byte = TranslateKey(message, keyboard);
    if (byte == kNoCharacter) return Decide(KeyAction::Consume);
    return Decide(KeyAction::Send, byte);
}

}  // namespace

KeyDecision ClassifyKey(const KeyMessage& message, const KeyboardState& keyboard) {
    switch (message.kind) {
        case KeyKind::SystemKeyDown:
            return ClassifySystemKey(message);
        case KeyKind::MouseWheel:
            return Decide(KeyAction::Consume);  // the display does not scroll by wheel
        case KeyKind::KeyDown:
            return ClassifyKeyDown(message, keyboard);
        case KeyKind::Other:
            break;
    }
    return Decide(KeyAction::PassOn);
}

uint8_t TranslateKey(const KeyMessage& message, const KeyboardState& keyboard) {
    uint8_t c = keyboard.unshiftedChar;
    if (message.altContext) {
        uint8_t altGr = 0;
        if (message.virtualKey <= 0xFF &&
            Lookup(kAltGrChars, static_cast<uint8_t>(message.virtualKey), altGr)) {
            c = altGr;
        }
    }
    if (keyboard.shiftDown) {
        Lookup(kShiftedChars, c, c);
    } else {
        c = static_cast<uint8_t>(LowerAscii(static_cast<char>(c)));
    }
    return c;
}
