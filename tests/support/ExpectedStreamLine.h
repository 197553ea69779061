#pragma once
#include <cstdio>
#include <string>

// Stream line n as a receiver checks it, built independently of the sender's
// code: the fixed head, the five-digit number, the moving marker and the
// checksum over the first 72 characters.
inline std::string ExpectedStreamLine(unsigned n) {
    std::string line = "abcdefghijklmnopqrstuvwxyz--LINE=";
    char number[8];
    std::snprintf(number, sizeof(number), "%05u", n);
    line += number;
    std::string markers(34, '-');
    markers[1 + n % 32] = '#';
    line += markers;
    unsigned sum = 0xF1C4;
    for (char c : line) sum += static_cast<unsigned char>(c);
    char checksum[12];
    std::snprintf(checksum, sizeof(checksum), "CS=%04XX", sum & 0xFFFF);
    return line + checksum;
}
