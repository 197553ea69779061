#pragma once
#include <cstdint>

#include "serial/CommDevice.h"

// The termios words that a line setting touches, as plain integers: the
// kernel's termios2 definitions clash with the C library's, and this keeps
// both out of every file but the translation itself.
struct TermiosWords {
    uint32_t iflag = 0;
    uint32_t oflag = 0;
    uint32_t cflag = 0;
    uint32_t lflag = 0;
    uint32_t ispeed = 0;
    uint32_t ospeed = 0;
};

// Makes the words raw (as cfmakeraw, without touching VMIN/VTIME) and writes
// the line of control into them: rate, byte size, parity and its checking,
// stop bits, flow control, CLOCAL|CREAD. False, with words untouched, when
// the line has no termios form: byte size outside 5..8, rate 0, or an
// unknown parity or stop-bits kind.
bool EncodeLine(const DeviceControl& control, TermiosWords& words);

// Reads the line back into control; members termios has no room for keep
// what control held. Two stop bits read as one and a half when that is what
// control held, since one and a half is sent as two.
void DecodeLine(const TermiosWords& words, DeviceControl& control);

// The output rate the words hold, from the rate code or, for BOTHER, the
// explicit rate; 0 for a code this table does not know.
uint32_t LineRate(const TermiosWords& words);
