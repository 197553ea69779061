#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "terminal/FieldNumber.h"

namespace {

// Same value, same sign (of zeros and NaNs too).
bool SameDouble(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    }
    return std::memcmp(&a, &b, sizeof(a)) == 0;
}

struct DoubleCase {
    const char* text;
    double expected;
};

TEST(ParseDoubleField, ReadsFieldsAsTheTextToDoubleConversionDoes) {
    const double inf = std::numeric_limits<double>::infinity();
    const DoubleCase cases[] = {
        {"12.34", 12.34}, {" 1.5 ", 1.5},   {"-0.00", -0.0}, {"+7", 7.0},    {".5", 0.5},
        {"5.", 5.0},      {"1e3x", 1000},   {"1e", 1.0},     {"1e+", 1.0},   {"2E-2", 0.02},
        {"1e308", 1e308}, {"9e307", 9e307}, {"2e308", inf},  {"9e999", inf}, {"1e-99", 1e-99},
        {"0x1p3", 8.0},   {"0xA.8", 10.5},  {"0x", 0.0},     {"0xg", 0.0},   {"-inf", -inf},
        {"INFxx", inf},   {".", 0.0},       {"+-1", 0.0},    {"abc", 0.0},   {"", 0.0},
        {"\r 42", 42.0},  {"_12.3", 0.0},   {"1_2", 1.0},    {"00001", 1.0}, {"1.2.3", 1.2},
    };
    for (const DoubleCase& c : cases) {
        double got = ParseDoubleField(c.text, std::strlen(c.text));
        EXPECT_TRUE(SameDouble(got, c.expected)) << '"' << c.text << "\" gave " << got;
    }
    EXPECT_TRUE(std::isnan(ParseDoubleField("nan", 3)));
    EXPECT_TRUE(std::signbit(ParseDoubleField("-nan", 4)));
}

// Where the C library reads the "0" alone, converts nothing, or saturates.
TEST(ParseDoubleField, TakesNoMoreThanTheCLibraryAndSaturatesLikeIt) {
    const double inf = std::numeric_limits<double>::infinity();
    const DoubleCase cases[] = {
        {"0xinf", 0.0},    {"0xnan", 0.0},     {"0x-1", 0.0},       {"-0x", -0.0},
        {"--1", 0.0},      {"- 1", 0.0},       {"infinity", inf},   {"1e-999", 0.0},
        {"-1e-999", -0.0}, {"0x1p-2000", 0.0}, {"-0x1p2000", -inf}, {"1e9999999999", inf},
    };
    for (const DoubleCase& c : cases) {
        double got = ParseDoubleField(c.text, std::strlen(c.text));
        EXPECT_TRUE(SameDouble(got, c.expected)) << '"' << c.text << "\" gave " << got;
    }
}

TEST(ParseDoubleField, StopsAtTheFieldsEnd) {
    EXPECT_EQ(ParseDoubleField("12.3456", 5), 12.34);
    EXPECT_EQ(ParseDoubleField("1e300", 2), 1.0);  // the exponent lies outside
    EXPECT_EQ(ParseDoubleField("99", 0), 0.0);
    EXPECT_EQ(ParseDoubleField(nullptr, 5), 0.0);
}

TEST(ParseDoubleField, RoundsToTheNearestDoubleWhereOneOperationCannot) {
    // Exponents beyond exact powers of ten, subnormals, ties and overflow.
    const double inf = std::numeric_limits<double>::infinity();
    const DoubleCase cases[] = {
        {"1e23", 0x1.52d02c7e14af6p+76},
        {"8.98846567e307", 0x1.fffffffbe12cap+1022},
        {"1.7976931348e308", 0x1.ffffffffb3c5bp+1023},
        {"1.7976931349e308", inf},
        {"123456789e-300", 0x1.3b645d2129c49p-970},
        {"7.2e-310", 0x0.0848a526012d0p-1022},
        {"1e-320", 0x0.00000000007e8p-1022},
        {"4.9e-324", 0x0.0000000000001p-1022},
        {"2.48e-324", 0x0.0000000000001p-1022},
        {"2.47e-324", 0.0},
        {"9007199254740993", 0x1p+53},
        {"3.14159265358979", 0x1.921fb54442d11p+1},
    };
    for (const DoubleCase& c : cases) {
        double got = ParseDoubleField(c.text, std::strlen(c.text));
        EXPECT_TRUE(SameDouble(got, c.expected)) << c.text << " gave " << got;
    }
}

// Every five-character field over an alphabet that reaches all of the
// reader's paths, against the C library itself. Where nothing converts the
// reader gives +0, as C has it; one C library answers -0 after a minus.
TEST(ParseDoubleField, MatchesTheCLibraryOnEveryFiveCharacterField) {
    const char alphabets[][16] = {"0159.eE+- x", "019.eEpPxXaf-"};
    for (const char* alphabet : alphabets) {
        const size_t n = std::strlen(alphabet);
        char field[6] = {};
        size_t total = 1;
        for (int i = 0; i < 5; ++i) total *= n;
        size_t mismatches = 0;
        for (size_t code = 0; code < total; ++code) {
            size_t rest = code;
            for (int i = 0; i < 5; ++i) {
                field[i] = alphabet[rest % n];
                rest /= n;
            }
            char* end = nullptr;
            double expected = std::strtod(field, &end);
            if (end == field) expected = 0.0;
            if (!SameDouble(ParseDoubleField(field, 5), expected) && ++mismatches <= 5) {
                ADD_FAILURE() << '"' << field << "\" expected " << expected;
            }
        }
        EXPECT_EQ(mismatches, 0u) << alphabet;
    }
}

TEST(ParseIntField, ReadsSignAndDigitsAfterBlanks) {
    struct Case {
        const char* text;
        size_t length;
        int expected;
    } const cases[] = {
        {"-15", 3, -15}, {"7", 1, 7},  {" 23", 3, 23},
        {"+4x", 3, 4},   {"_7", 2, 0}, {"-", 1, 0},
        {"123", 2, 12},  {"", 0, 0},   {"99999999999", 11, 2147483647},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseIntField(c.text, c.length), c.expected) << c.text;
}

}  // namespace
