// Any key or wheel message with any keyboard state: the classification must
// name one of its actions, a function key must be F2..F10, and the
// translation must be defined for every key.
#include <cstddef>
#include <cstdint>

#include "terminal/KeyTranslation.h"

namespace {

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

constexpr size_t kMessageBytes = 7;
constexpr uint8_t kKeyKinds = static_cast<uint8_t>(KeyKind::Other) + 1;
constexpr uint8_t kFirstFunctionKey = 2;
constexpr uint8_t kLastFunctionKey = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t at = 0; at + kMessageBytes <= size; at += kMessageBytes) {
        const uint8_t* m = data + at;
        KeyMessage message;
        message.kind = static_cast<KeyKind>(m[0] % kKeyKinds);
        message.virtualKey = static_cast<uint16_t>(m[1] | (m[2] << 8));
        message.scanCode = m[3];
        message.extended = (m[4] & 0x01) != 0;
        message.altContext = (m[4] & 0x02) != 0;
        KeyboardState keyboard;
        keyboard.shiftDown = (m[5] & 0x01) != 0;
        keyboard.unshiftedChar = m[6];

        const KeyDecision decision = ClassifyKey(message, keyboard);
        Check(decision.action <= KeyAction::Send);
        if (decision.action == KeyAction::FunctionKey) {
            Check(decision.functionKey >= kFirstFunctionKey &&
                  decision.functionKey <= kLastFunctionKey);
        }
        (void)TranslateKey(message, keyboard);
    }
    return 0;
}
