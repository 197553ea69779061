#pragma once
#include <cstdint>

#include "terminal/KeyMessage.h"

// What the key filter does with one key or wheel message. The decision is the
// core's; the window carries it out.
enum class KeyAction : uint8_t {
    PassOn,            // the dialog's own handling (Tab, Backspace, F1, F10 alone, ...)
    Consume,           // swallowed, nothing sent
    CloseWindow,       // Alt+X
    ClearDisplay,      // Alt+C
    FunctionKey,       // F2..F10: a request for the next poll tick
    StopStreamOrSend,  // Enter, Escape: stop a running test stream, else send
    Send,              // one translated byte to the port (never 0)
};

struct KeyDecision {
    KeyAction action = KeyAction::PassOn;
    uint8_t byte = 0;         // for Send and StopStreamOrSend
    uint8_t functionKey = 0;  // 2..10 for FunctionKey
};

KeyDecision ClassifyKey(const KeyMessage& message, const KeyboardState& keyboard);

// The byte a key sends, by a fixed German-layout rule on top of the layout's
// unshifted character: AltGr for { [ ] } @, Shift by table, letters lower case
// without Shift whatever Caps Lock says, 0 for a key without a character.
uint8_t TranslateKey(const KeyMessage& message, const KeyboardState& keyboard);
