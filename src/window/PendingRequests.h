#pragma once
#include <cstdint>

// What a button or key asked for, served by the next poll tick in a fixed
// order. Buttons and keys never touch the port or the display themselves.
enum class Request : uint8_t {
    ClearDisplay,    // DisplayClear, Alt+C
    Copy,            // "copy"
    Save,            // "save"
    SpecialCommand,  // F2
    Bluetooth,       // F3, "SPECIAL"
    RecordMode,      // F4
    Log,             // F9
};

constexpr uint16_t RequestBit(Request request) {
    return static_cast<uint16_t>(1u << static_cast<unsigned>(request));
}

class PendingRequests {
  public:
    void Set(Request request) { bits |= Bit(request); }
    bool IsSet(Request request) const { return (bits & Bit(request)) != 0; }
    // True when the request was pending; it is not any more.
    bool Take(Request request) {
        const bool wasSet = IsSet(request);
        bits &= static_cast<uint16_t>(~Bit(request));
        return wasSet;
    }
    // Takes the function keys' requests together, before any is served: a
    // tick nested in a message box shown while serving one must not serve
    // the same key again.
    PendingRequests TakeFunctionKeys() {
        PendingRequests taken;
        taken.bits = static_cast<uint16_t>(bits & kFunctionKeyBits);
        bits &= static_cast<uint16_t>(~kFunctionKeyBits);
        return taken;
    }
    void Clear() { bits = 0; }

    // The request a function key (F2..F10) leaves; false for keys that ask
    // for nothing.
    static bool ForFunctionKey(uint8_t key, Request& request) {
        switch (key) {
            case 2:
                request = Request::SpecialCommand;
                return true;
            case 3:
                request = Request::Bluetooth;
                return true;
            case 4:
                request = Request::RecordMode;
                return true;
            case 9:
                request = Request::Log;
                return true;
            default:
                return false;
        }
    }

  private:
    static constexpr uint16_t Bit(Request request) { return RequestBit(request); }
    static constexpr uint16_t kFunctionKeyBits =
        RequestBit(Request::SpecialCommand) | RequestBit(Request::Bluetooth) |
        RequestBit(Request::RecordMode) | RequestBit(Request::Log);

    uint16_t bits = 0;
};
