#include "terminal/CommandBytes.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "config/SetupData.h"

namespace {

constexpr uint8_t kEscape = 0x1B;
constexpr uint8_t kFileSeparator = 0x1C;
constexpr char kBluetoothSetFormat[] = "AT+BTR %s\r";

constexpr std::array<uint8_t, kSpecialTestLength> MakeSpecialTest() {
    std::array<uint8_t, kSpecialTestLength> command{};
    for (uint8_t& byte : command) byte = kEscape;
    command[kSpecialTestLength - 2] = kFileSeparator;
    command[kSpecialTestLength - 1] = 'T';
    return command;
}

constexpr std::array<uint8_t, kSpecialTestLength> kSpecialTest = MakeSpecialTest();

}  // namespace

const uint8_t* SpecialTestCommand() {
    return kSpecialTest.data();
}

size_t FormatBluetoothSet(const char* address, char* out, size_t capacity) {
    if (address == nullptr || out == nullptr || capacity == 0) return 0;
    const void* end = std::memchr(address, '\0', kMacLength + 1);
    if (end != address + kMacLength) return 0;
    const int length = std::snprintf(out, capacity, kBluetoothSetFormat, address);
    if (length <= 0 || static_cast<size_t>(length) >= capacity) return 0;
    return static_cast<size_t>(length);
}
