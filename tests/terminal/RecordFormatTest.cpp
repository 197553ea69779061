#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "RecordTestSupport.h"
#include "terminal/RecordFormat.h"

namespace {

using record_test::Record;
using record_test::Value;

// Runs FormatRecord on a copy; returns the code and leaves the text in `text`.
uint16_t Format(const std::string& record, RecordCycle& cycle, std::string& text) {
    char buffer[kRecordTextCapacity] = {};
    std::snprintf(buffer, sizeof(buffer), "%s", record.c_str());
    uint16_t code = FormatRecord(buffer, sizeof(buffer), cycle);
    text = buffer;
    return code;
}

// A whole cycle: the start record, then seven values; the cycle characters
// are the serial number's five digits and the three temperature characters.
std::vector<std::string> Cycle(const char* cycleChars) {
    std::vector<std::string> records{Record('A', '9', "12.34", 'S', cycleChars[0])};
    for (int i = 1; i < 8; ++i) records.push_back(Value("  1.5", cycleChars[i]));
    return records;
}

TEST(HexFieldValue, ReadsAtMostFourLeadingDigits) {
    struct Case {
        const char* text;
        size_t maxDigits;
        uint16_t expected;
    } const cases[] = {
        {"1aF", 4, 0x1AF}, {"G1", 4, 0},        {"12345", 4, 0x1234}, {"", 4, 0},
        {"FF", 1, 0xF},    {"ffff", 4, 0xFFFF}, {"9_", 4, 9},         {"12", 9, 0x12},
    };
    for (const Case& c : cases) EXPECT_EQ(HexFieldValue(c.text, c.maxDigits), c.expected) << c.text;
}

TEST(FormatRecord, RejectsBadRecordsAndRestartsTheCycle) {
    std::string good = Record('A', '9', "12.34", 'S', '1');
    std::string noStart = good;
    noStart[0] = '*';
    std::string highDigit = good;
    highDigit[17] = highDigit[17] == '0' ? '1' : '0';
    std::string lowDigit = good;
    lowDigit[18] = lowDigit[18] == '0' ? '1' : '0';
    struct Case {
        std::string record;
        uint16_t code;
    } const cases[] = {
        {good.substr(0, 19), kRecordErrorLength},
        {good + "x", kRecordErrorLength},
        {noStart, kRecordErrorStart},
        {highDigit, kRecordErrorChecksumHigh},
        {lowDigit, kRecordErrorChecksumLow},
    };
    for (const Case& c : cases) {
        RecordCycle cycle;
        cycle.recordCount = 5;
        std::string text;
        EXPECT_EQ(Format(c.record, cycle, text), c.code) << c.record;
        EXPECT_EQ(cycle.recordCount, 0) << c.record;
    }
}

TEST(FormatRecord, ChecksumDigitsMustBeUpperCase) {
    // Find a value whose checksum has a letter in it.
    for (char v = '0'; v <= '9'; ++v) {
        std::string record = Record('A', '9', "12.34", 'S', v);
        size_t letter = std::isalpha(static_cast<unsigned char>(record[17])) ? 17 : 18;
        if (!std::isalpha(static_cast<unsigned char>(record[letter]))) continue;
        record[letter] =
            static_cast<char>(std::tolower(static_cast<unsigned char>(record[letter])));
        RecordCycle cycle;
        std::string text;
        EXPECT_EQ(Format(record, cycle, text),
                  letter == 17 ? kRecordErrorChecksumHigh : kRecordErrorChecksumLow);
        return;
    }
    FAIL() << "no checksum with a letter";
}

TEST(FormatRecord, LeavesRecordsRawUntilAStartRecord) {
    RecordCycle cycle;
    std::string raw = Value("  1.5", '3'), text;
    EXPECT_EQ(Format(raw, cycle, text), 0);
    EXPECT_EQ(text, raw);
    EXPECT_EQ(cycle.recordCount, 0);
}

TEST(FormatRecord, EightRecordsMakeOneLineWithSerialNumberAndTemperature) {
    RecordCycle cycle;
    std::string line;
    for (const std::string& record : Cycle("12345_23")) {
        std::string text;
        ASSERT_EQ(Format(record, cycle, text), 0) << record;
        line += text;
    }
    EXPECT_EQ(line, "A 4__1 012.3 001.5 001.5 001.5 001.5 001.5 001.5 001.5 SN=0074565  23'C\n");
    EXPECT_EQ(cycle.recordCount, 0);
}

TEST(FormatRecord, FlagDigitAndTemperatureFields) {
    struct Case {
        char flag;
        const char* cycleChars;
        const char* head;
        const char* tail;
    } const cases[] = {
        {'9', "12345-15", "A 4__1 ", "SN=0074565 -15'C\n"},
        {'F', "00000__7", "A 4321 ", "SN=0000000   7'C\n"},
        {'_', "FFFFF100", "A ____ ", "SN=1048575 100'C\n"},
        {'6', "0000A_42", "A _32_ ", "SN=0000010  42'C\n"},
    };
    for (const Case& c : cases) {
        RecordCycle cycle;
        std::string line;
        std::vector<std::string> records = Cycle(c.cycleChars);
        records[0] = Record('A', c.flag, "12.34", 'S', c.cycleChars[0]);
        for (const std::string& record : records) {
            std::string text;
            ASSERT_EQ(Format(record, cycle, text), 0);
            line += text;
        }
        EXPECT_EQ(line.substr(0, 7), c.head) << c.cycleChars;
        EXPECT_EQ(line.substr(line.size() - std::strlen(c.tail)), c.tail) << c.cycleChars;
    }
}

TEST(FormatRecord, AnyValueTheFieldHoldsFitsTheRecordText) {
    RecordCycle cycle;
    std::string text;
    ASSERT_EQ(Format(Record('A', '_', "1e308", 'S', '0'), cycle, text), 0);
    EXPECT_EQ(text.substr(0, 10), "A ____ 100");
    EXPECT_EQ(text.substr(text.size() - 3), ".0 ");
    EXPECT_EQ(text.size(), 7u + 309 + 3);
}

}  // namespace
