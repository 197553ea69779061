#include "terminal/FieldNumber.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "text/Ascii.h"

namespace {

// With this few characters, a number can only leave a double's range through
// its exponent: the digits alone lie between 16^-14 and 10^16.
static_assert(kMaxFieldChars <= 64);

// The characters a reader may look at: at most kMaxFieldChars, and none from
// a terminator on.
struct Field {
    const char* first = nullptr;
    const char* last = nullptr;
};

Field BoundField(const char* text, size_t length) {
    if (text == nullptr) return {};
    const size_t limit = length < kMaxFieldChars ? length : kMaxFieldChars;
    const void* end = std::memchr(text, '\0', limit);
    return {text, end != nullptr ? static_cast<const char*>(end) : text + limit};
}

// The value of a number the conversion found but could not hold (from_chars
// then leaves it unset): infinity above a double's range, zero below, told
// apart by the sign of the exponent after its letter.
double OutOfRange(const char* first, const char* last, char exponentLetter) {
    for (const char* p = first; p + 1 < last; ++p) {
        if (LowerAscii(*p) == exponentLetter) {
            return p[1] == '-' ? 0.0 : std::numeric_limits<double>::infinity();
        }
    }
    return std::numeric_limits<double>::infinity();
}

bool Convert(const char* first, const char* last, std::chars_format format, char exponentLetter,
             double& value) {
    const std::from_chars_result result = std::from_chars(first, last, value, format);
    if (result.ec == std::errc::invalid_argument) return false;
    if (result.ec == std::errc::result_out_of_range) {
        value = OutOfRange(first, result.ptr, exponentLetter);
    }
    return true;
}

// The text after "0x", which from_chars takes without the prefix. It must
// start with a digit or a point: from_chars would also take a sign, "inf" and
// "nan" there, where the C library reads the 0 alone.
bool ConvertHex(const char* first, const char* last, double& value) {
    if (first == last || (HexDigitValue(*first) < 0 && *first != '.')) return false;
    return Convert(first, last, std::chars_format::hex, 'p', value);
}

}  // namespace

double ParseDoubleField(const char* text, size_t length) {
    const Field field = BoundField(text, length);
    bool negative = false;
    const char* number = SkipBlanksAndSign(field.first, field.last, negative);
    // A second sign converts nothing; from_chars would take a minus.
    if (number == field.last || *number == '-') return 0.0;
    double value = 0.0;
    const bool hexPrefix =
        field.last - number > 2 && number[0] == '0' && LowerAscii(number[1]) == 'x';
    if (!(hexPrefix && ConvertHex(number + 2, field.last, value)) &&
        !Convert(number, field.last, std::chars_format::general, 'e', value)) {
        return 0.0;  // nothing converted: the sign does not count either
    }
    return negative ? -value : value;
}

int ParseIntField(const char* text, size_t length) {
    const Field field = BoundField(text, length);
    bool negative = false;
    const char* digits = SkipBlanksAndSign(field.first, field.last, negative);
    if (digits == field.last || !IsAsciiDigit(*digits)) return 0;
    constexpr uint64_t kLargest = std::numeric_limits<int>::max();
    uint64_t magnitude = 0;
    const std::from_chars_result result = std::from_chars(digits, field.last, magnitude);
    if (result.ec == std::errc::result_out_of_range || magnitude > kLargest) magnitude = kLargest;
    const int value = static_cast<int>(magnitude);
    return negative ? -value : value;
}
