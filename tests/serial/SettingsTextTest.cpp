// The short text in which the main window and the port settings dialog hand
// line settings to each other.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "serial/SettingsText.h"

namespace {

SettingsText TextOf(const char* text) {
    SettingsText t;
    std::strncpy(t.text, text, sizeof(t.text) - 1);
    return t;
}

TEST(SettingsText, WritesTheFixedFormAndReadsItBack) {
    const struct {
        LineSettings line;
        char saveMode;
        const char* text;
    } cases[] = {
        {{1, 115200, 'E', 8, 1}, 'X', "001_115200_E_8_1_X_"},
        {{3, 115200, 'E', 8, 1}, 'P', "003_115200_E_8_1_P_"},
        {{198, 9600, 'N', 7, 2}, '0', "198_009600_N_7_2_0_"},
        {{7, 300, 'x', 8, 1}, 'X', "007_000300_x_8_1_X_"},
        // Wider than the fixed form: the later fields move on and are still
        // read whole (a fixed-position read would take the parity from the
        // baud's separator and lose data bits, stop bits and save mode).
        {{1, 1000000, 'N', 8, 1}, 'P', "001_1000000_N_8_1_P_"},
        {{1234, 2000000, 'E', 10, 1}, 'X', "1234_2000000_E_10_1_X_"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SettingsText written;
        std::memset(written.text, '#', sizeof(written.text));
        WriteSettingsText(c.line, c.saveMode, written);
        EXPECT_STREQ(written.text, c.text);
        EXPECT_EQ(written.text[sizeof(written.text) - 1], '\0');

        const SettingsAnswer answer = ReadSettingsText(written);
        EXPECT_EQ(answer.lineSettings, c.line);
        EXPECT_EQ(answer.saveMode, c.saveMode);
    }
}

TEST(SettingsText, ReadsNumbersTheWayTheCLibraryDoes) {
    const struct {
        const char* text;
        LineSettings line;
        char saveMode;
    } cases[] = {
        // Blanks and a sign before a number.
        {" 12_+09600_O_8_2_P_", {12, 9600, 'O', 8, 2}, 'P'},
        // The port keeps its low 16 bits, data and stop bits their low 8.
        {"65537_115200_E_264_1_0_", {1, 115200, 'E', 8, 1}, '0'},
        // A field without digits reads 0 and keeps its width.
        {"abc_115200_E_8_1_X_", {0, 115200, 'E', 8, 1}, 'X'},
        // A text cut short: the missing fields read 0 and '\0'.
        {"005_115200", {5, 115200, '\0', 0, 0}, '\0'},
        {"", {0, 0, '\0', 0, 0}, '\0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const SettingsAnswer answer = ReadSettingsText(TextOf(c.text));
        EXPECT_EQ(answer.lineSettings, c.line);
        EXPECT_EQ(answer.saveMode, c.saveMode);
    }
}

TEST(SettingsText, LeadingNumberLooksNoFurtherThanItsLength) {
    const struct {
        const char* text;
        size_t length;
        int32_t value;
        size_t used;
    } cases[] = {
        {"0012", 3, 1, 3},
        {"12345", 3, 123, 3},
        {"7", 3, 7, 1},
        {"", 3, 0, 0},
        {"COM5", 3, 0, 0},
        {"-5", 3, -5, 2},
        {"  +7x", 5, 7, 4},
        {"  ", 2, 0, 0},
        {"+", 1, 0, 0},
        {"99999999999", 11, INT32_MAX, 11},
        {"-99999999999", 12, INT32_MIN, 12},
        {"12\0"
         "34",
         5, 12, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + std::to_string(c.length));
        size_t used = 99;
        EXPECT_EQ(ReadLeadingNumber(c.text, c.length, &used), c.value);
        EXPECT_EQ(used, c.used);
    }
    EXPECT_EQ(ReadLeadingNumber(nullptr, 3), 0);
}

}  // namespace
