#include "terminal/FieldNumber.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// A field's characters; positions past the length or the terminator read as 0.
class FieldCursor {
  public:
    FieldCursor(const char* text, size_t length)
        : chars(text), limit(length < kMaxFieldChars ? length : kMaxFieldChars) {
        if (chars == nullptr) limit = 0;
        for (size_t i = 0; i < limit; ++i) {
            if (chars[i] == '\0') {
                limit = i;
                break;
            }
        }
    }
    unsigned char At(size_t offset) const {
        size_t index = pos + offset;
        return index < limit ? static_cast<unsigned char>(chars[index]) : 0;
    }
    void Skip(size_t count) { pos += count; }

  private:
    const char* chars;
    size_t limit;
    size_t pos = 0;
};

bool IsCSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
unsigned char Lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

int HexDigitValue(unsigned char c) {
    if (IsDigit(c)) return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool MatchesWord(const FieldCursor& in, const char* word) {
    for (size_t i = 0; word[i] != '\0'; ++i) {
        if (Lower(in.At(i)) != static_cast<unsigned char>(word[i])) return false;
    }
    return true;
}

// Skips blanks and reads an optional sign; true for a minus.
bool ReadSign(FieldCursor& in) {
    while (IsCSpace(in.At(0))) in.Skip(1);
    bool negative = in.At(0) == '-';
    if (negative || in.At(0) == '+') in.Skip(1);
    return negative;
}

// Reads an optional exponent ("e-12", "p+3"): only taken when a digit follows
// the letter and its sign. Saturates far beyond any double's range.
long ReadExponent(FieldCursor& in, unsigned char letter) {
    if (Lower(in.At(0)) != letter) return 0;
    size_t ahead = 1;
    bool negative = false;
    if (in.At(ahead) == '+' || in.At(ahead) == '-') {
        negative = in.At(ahead) == '-';
        ++ahead;
    }
    if (!IsDigit(in.At(ahead))) return 0;
    in.Skip(ahead);
    long value = 0;
    while (IsDigit(in.At(0))) {
        if (value < 100000) value = value * 10 + (in.At(0) - '0');
        in.Skip(1);
    }
    return negative ? -value : value;
}

// An unsigned integer of up to kWords * 32 bits, enough for 10^340 shifted by
// a few dozen bits.
class BigUnsigned {
  public:
    static constexpr int kWords = 48;

    explicit BigUnsigned(uint64_t value) {
        words[0] = static_cast<uint32_t>(value);
        words[1] = static_cast<uint32_t>(value >> 32);
    }
    void MultiplySmall(uint32_t factor) {
        uint64_t carry = 0;
        for (uint32_t& w : words) {
            uint64_t product = static_cast<uint64_t>(w) * factor + carry;
            w = static_cast<uint32_t>(product);
            carry = product >> 32;
        }
    }
    void ShiftLeft(int bits) {
        int wordShift = bits / 32, bitShift = bits % 32;
        for (int i = kWords - 1; i >= 0; --i) {
            uint64_t part = 0;
            if (i - wordShift >= 0) part = static_cast<uint64_t>(words[i - wordShift]) << bitShift;
            if (bitShift != 0 && i - wordShift - 1 >= 0) {
                part |= words[i - wordShift - 1] >> (32 - bitShift);
            }
            words[i] = static_cast<uint32_t>(part);
        }
    }
    void ShiftRightOne() {
        for (int i = 0; i < kWords; ++i) {
            uint32_t high = (i + 1 < kWords) ? words[i + 1] << 31 : 0;
            words[i] = (words[i] >> 1) | high;
        }
    }
    int BitLength() const {
        for (int i = kWords - 1; i >= 0; --i) {
            if (words[i] != 0) return i * 32 + 32 - std::countl_zero(words[i]);
        }
        return 0;
    }
    bool IsZero() const { return BitLength() == 0; }
    bool AtLeast(const BigUnsigned& other) const {
        for (int i = kWords - 1; i >= 0; --i) {
            if (words[i] != other.words[i]) return words[i] > other.words[i];
        }
        return true;
    }
    void Subtract(const BigUnsigned& other) {
        int64_t borrow = 0;
        for (int i = 0; i < kWords; ++i) {
            int64_t diff = static_cast<int64_t>(words[i]) - other.words[i] - borrow;
            borrow = diff < 0 ? 1 : 0;
            words[i] = static_cast<uint32_t>(diff + (borrow << 32));
        }
    }

  private:
    uint32_t words[kWords] = {};
};

constexpr int kDoubleMantissaBits = 53;
constexpr int kMinNormalExponent = -1022;

// The double nearest to mantissa * 10^exponent (ties to even), by exact
// integer division: 10^exponent is not a double for large exponents, and a
// rounded power would make the last bit differ from the C library's.
double ExactScale(uint64_t mantissa, long exponent) {
    BigUnsigned numerator(mantissa), denominator(1);
    for (long i = 0; i < exponent; ++i) numerator.MultiplySmall(10);
    for (long i = 0; i < -exponent; ++i) denominator.MultiplySmall(10);

    // Scale so the quotient has 55 or 56 bits: two guard bits at least.
    constexpr int kQuotientBits = 55;
    int shift = denominator.BitLength() - numerator.BitLength() + kQuotientBits;
    if (shift >= 0) {
        numerator.ShiftLeft(shift);
    } else {
        denominator.ShiftLeft(-shift);
    }
    denominator.ShiftLeft(kQuotientBits + 1);
    uint64_t quotient = 0;
    for (int bit = kQuotientBits + 1; bit >= 0; --bit) {
        if (numerator.AtLeast(denominator)) {
            numerator.Subtract(denominator);
            quotient |= uint64_t{1} << bit;
        }
        denominator.ShiftRightOne();
    }
    bool sticky = !numerator.IsZero();

    int length = 64 - std::countl_zero(quotient);
    int leadingExponent = length - 1 - shift;  // value is in [2^e, 2^(e+1))
    // Below half the smallest subnormal (ties go to the even zero).
    if (leadingExponent < kMinNormalExponent - kDoubleMantissaBits) return 0.0;
    int keep = kDoubleMantissaBits;
    if (leadingExponent < kMinNormalExponent) {
        keep -= kMinNormalExponent - leadingExponent;  // subnormal: fewer bits left
    }
    int drop = length - keep;
    uint64_t kept = quotient >> drop;
    uint64_t rest = quotient & ((uint64_t{1} << drop) - 1);
    uint64_t half = uint64_t{1} << (drop - 1);
    if (rest > half || (rest == half && (sticky || (kept & 1) != 0))) ++kept;
    return std::ldexp(static_cast<double>(kept), drop - shift);
}

constexpr long kMaxDecimalExponent = 309;   // 10^309 exceeds every double
constexpr long kMinDecimalExponent = -343;  // below half the smallest subnormal
constexpr long kMaxExactPower = 22;         // 10^22 is the largest exact power

double ScaleDecimal(uint64_t mantissa, int digits, long exponent) {
    if (mantissa == 0) return 0.0;
    if (exponent + digits > kMaxDecimalExponent) return std::numeric_limits<double>::infinity();
    if (exponent + digits < kMinDecimalExponent) return 0.0;
    constexpr uint64_t kExactMantissa = uint64_t{1} << kDoubleMantissaBits;
    if (mantissa <= kExactMantissa && exponent >= -kMaxExactPower && exponent <= kMaxExactPower) {
        // One correctly rounded operation on exact operands.
        double power = 1.0;
        for (long i = 0; i < (exponent < 0 ? -exponent : exponent); ++i) power *= 10.0;
        double value = static_cast<double>(mantissa);
        return exponent < 0 ? value / power : value * power;
    }
    return ExactScale(mantissa, exponent);
}

// After "0x": hexadecimal digits with an optional point and a binary exponent.
// A field holds at most kMaxFieldChars characters, so the mantissa stays exact.
bool ReadHexFloat(FieldCursor& in, double& value) {
    size_t ahead = 2;
    bool digitAhead = HexDigitValue(in.At(ahead)) >= 0 ||
                      (in.At(ahead) == '.' && HexDigitValue(in.At(ahead + 1)) >= 0);
    if (!digitAhead) return false;
    in.Skip(ahead);
    uint64_t mantissa = 0;
    long exponent = 0;
    bool point = false;
    for (;; in.Skip(1)) {
        if (in.At(0) == '.' && !point) {
            point = true;
            continue;
        }
        int digit = HexDigitValue(in.At(0));
        if (digit < 0) break;
        mantissa = mantissa * 16 + static_cast<uint64_t>(digit);
        if (point) exponent -= 4;
    }
    exponent += ReadExponent(in, 'p');
    value = std::ldexp(static_cast<double>(mantissa), static_cast<int>(exponent));
    return true;
}

// Digits with an optional point and exponent; false when no digit is there.
bool ReadDecimal(FieldCursor& in, double& value) {
    uint64_t mantissa = 0;
    int digits = 0;  // significant digits taken into the mantissa
    long exponent = 0;
    bool point = false, anyDigit = false;
    for (;; in.Skip(1)) {
        unsigned char c = in.At(0);
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(c)) break;
        anyDigit = true;
        if (mantissa != 0 || c != '0') {
            mantissa = mantissa * 10 + (c - '0');
            ++digits;
        }
        if (point) --exponent;
    }
    if (!anyDigit) return false;
    exponent += ReadExponent(in, 'e');
    value = ScaleDecimal(mantissa, digits, exponent);
    return true;
}

}  // namespace

double ParseDoubleField(const char* text, size_t length) {
    FieldCursor in(text, length);
    bool negative = ReadSign(in);
    double value = 0.0;
    if (MatchesWord(in, "inf")) {
        value = std::numeric_limits<double>::infinity();
    } else if (MatchesWord(in, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
    } else if (in.At(0) == '0' && Lower(in.At(1)) == 'x' && ReadHexFloat(in, value)) {
        // value set
    } else if (!ReadDecimal(in, value)) {
        return 0.0;  // nothing converted: the sign does not count either
    }
    return negative ? -value : value;
}

int ParseIntField(const char* text, size_t length) {
    FieldCursor in(text, length);
    bool negative = ReadSign(in);
    // Wide enough for one more digit on top of the largest int.
    int64_t value = 0;
    for (; IsDigit(in.At(0)); in.Skip(1)) {
        value = value * 10 + (in.At(0) - '0');
        if (value > std::numeric_limits<int>::max()) value = std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -value : value);
}
