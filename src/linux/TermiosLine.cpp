#include "TermiosLine.h"

#include <asm/termbits.h>

namespace {

struct BaudCode {
    uint32_t rate;
    tcflag_t code;
};

// Rates with a code of their own; every other rate goes through BOTHER.
constexpr BaudCode kBaudCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

tcflag_t RateCode(uint32_t rate) {
    for (const BaudCode& entry : kBaudCodes) {
        if (entry.rate == rate) return entry.code;
    }
    return BOTHER;
}

bool SizeFlag(uint8_t byteSize, tcflag_t& flag) {
    switch (byteSize) {
        case 5:
            flag = CS5;
            return true;
        case 6:
            flag = CS6;
            return true;
        case 7:
            flag = CS7;
            return true;
        case 8:
            flag = CS8;
            return true;
        default:
            return false;
    }
}

uint8_t ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

bool ParityFlags(ParityKind parity, tcflag_t& flags) {
    switch (parity) {
        case ParityKind::None:
            flags = 0;
            return true;
        case ParityKind::Even:
            flags = PARENB;
            return true;
        case ParityKind::Odd:
            flags = PARENB | PARODD;
            return true;
        case ParityKind::Mark:
            flags = PARENB | CMSPAR | PARODD;
            return true;
        case ParityKind::Space:
            flags = PARENB | CMSPAR;
            return true;
    }
    return false;
}

ParityKind ParityOf(tcflag_t cflag) {
    if ((cflag & PARENB) == 0) return ParityKind::None;
    const bool odd = (cflag & PARODD) != 0;
    if ((cflag & CMSPAR) != 0) return odd ? ParityKind::Mark : ParityKind::Space;
    return odd ? ParityKind::Odd : ParityKind::Even;
}

// Linux offers one or two stop bits. One and a half becomes two: a receiver
// set for one and a half accepts two but not one (and a 16550 sends one and
// a half for CSTOPB at five data bits anyway).
bool StopFlag(StopBitsKind stopBits, tcflag_t& flag) {
    switch (stopBits) {
        case StopBitsKind::One:
            flag = 0;
            return true;
        case StopBitsKind::OneAndHalf:
        case StopBitsKind::Two:
            flag = CSTOPB;
            return true;
    }
    return false;
}

}  // namespace

bool EncodeLine(const DeviceControl& control, TermiosWords& words) {
    tcflag_t size = 0;
    tcflag_t parity = 0;
    tcflag_t stop = 0;
    // Rate 0 would be B0, which hangs the line up instead of setting a rate.
    if (control.baudRate == 0 || !SizeFlag(control.byteSize, size) ||
        !ParityFlags(control.parity, parity) || !StopFlag(control.stopBits, stop)) {
        return false;
    }
    // What cfmakeraw clears.
    words.iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    words.oflag &= ~OPOST;
    words.lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // Bytes with errors are delivered and counted, not dropped, as on Windows.
    words.iflag &= ~(IGNPAR | INPCK | IXOFF | IXANY);
    if (control.parityCheck) words.iflag |= INPCK;
    if (control.outX) words.iflag |= IXON;
    if (control.inX) words.iflag |= IXOFF;

    // CIBAUD left 0 means "input at the output rate".
    words.cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS | CBAUD | CIBAUD);
    words.cflag |= CLOCAL | CREAD | size | parity | stop | RateCode(control.baudRate);
    if (control.ctsFlow) words.cflag |= CRTSCTS;
    words.ispeed = control.baudRate;
    words.ospeed = control.baudRate;
    return true;
}

void DecodeLine(const TermiosWords& words, DeviceControl& control) {
    control.baudRate = LineRate(words);
    control.byteSize = ByteSizeOf(words.cflag);
    control.parity = ParityOf(words.cflag);
    if ((words.cflag & CSTOPB) == 0) {
        control.stopBits = StopBitsKind::One;
    } else if (control.stopBits != StopBitsKind::OneAndHalf) {
        control.stopBits = StopBitsKind::Two;
    }
    control.parityCheck = (words.iflag & INPCK) != 0;
    control.ctsFlow = (words.cflag & CRTSCTS) != 0;
    control.outX = (words.iflag & IXON) != 0;
    control.inX = (words.iflag & IXOFF) != 0;
}

uint32_t LineRate(const TermiosWords& words) {
    const tcflag_t code = words.cflag & CBAUD;
    if (code == BOTHER) return words.ospeed;
    for (const BaudCode& entry : kBaudCodes) {
        if (entry.code == code) return entry.rate;
    }
    return 0;
}
