#pragma once
// Builds '#' records with a correct checksum, so tests can vary one field.
#include <cstdio>
#include <string>

namespace record_test {

// item at 1, flag digit at 2, a five-character value at 4..8, the start mark
// at 9 and the cycle character at 14.
inline std::string Record(char item, char flag, const char* value, char mark, char cycleChar) {
    std::string r = "#";
    r += item;
    r += flag;
    r += 'x';
    r += std::string(value).substr(0, 5);
    r += mark;
    r += "0A1B";
    r += cycleChar;
    r += "2C";
    unsigned sum = 20;
    for (size_t i = 1; i < 17; ++i) sum += static_cast<unsigned char>(r[i]);
    char checksum[3];
    std::snprintf(checksum, sizeof(checksum), "%02X", sum & 0xFF);
    r += checksum;
    r += ';';
    return r;
}

// One record of a cycle after the first.
inline std::string Value(const char* value, char cycleChar) {
    return Record('v', '_', value, '_', cycleChar);
}

}  // namespace record_test
