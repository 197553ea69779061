#pragma once
#include <cstddef>
#include <cstdint>

// The bytes of the commands that go out beside the test stream: F2's special
// test command and F3's questions to a Bluetooth serial adapter. What a peer
// receives is fixed here, byte for byte; the window only decides when.

// F2: a run of ESC that any line-oriented peer swallows, then the two bytes
// that trigger the test.
inline constexpr size_t kSpecialTestLength = 257;
const uint8_t* SpecialTestCommand();

// F3: asks the adapter for the address it uses now.
inline constexpr char kBluetoothQuery[] = "AT+BTR?\r";
inline constexpr size_t kBluetoothQueryLength = sizeof(kBluetoothQuery) - 1;

// F3: "AT+BTR <address>\r" into out. The length written, or 0 when address is
// not a whole address (kMacLength characters) or out has no room for it.
size_t FormatBluetoothSet(const char* address, char* out, size_t capacity);
