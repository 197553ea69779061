#include "config/IniLineReader.h"

namespace {

constexpr unsigned kByteOrderMark = 0xFEFF;
constexpr unsigned kAsciiEnd = 0x80;

}  // namespace

bool IniLineReader::Next(char (&line)[kLineCapacity], size_t& length) {
    length = 0;
    int c = NextChar();
    if (c < 0) return false;
    while (c >= 0 && c != '\n' && c != '\r') {
        if (length < kLineCapacity) line[length++] = static_cast<char>(c);
        c = NextChar();
    }
    return true;
}

int IniLineReader::NextChar() {
    for (;;) {
        const int first = NextByte();
        if (first < 0 || form == Form::Bytes) return first;
        const int second = NextByte();
        if (second < 0) return -1;
        const unsigned unit =
            form == Form::Utf16Le
                ? static_cast<unsigned>(first) | static_cast<unsigned>(second) << 8
                : static_cast<unsigned>(first) << 8 | static_cast<unsigned>(second);
        if (unit == kByteOrderMark) continue;
        return unit < kAsciiEnd ? static_cast<int>(unit) : kForeignChar;
    }
}

int IniLineReader::NextByte() {
    if (position == filled && !Refill()) return -1;
    return block[position++];
}

bool IniLineReader::Refill() {
    if (!files.ReadAt(file, offset, reinterpret_cast<char*>(block), sizeof(block), filled)) {
        filled = 0;
    }
    offset += filled;
    position = 0;
    if (form == Form::Unknown) TakeByteOrderMark();
    return position < filled;
}

// Only a mark at the very start tells the form; the same bytes later are text.
void IniLineReader::TakeByteOrderMark() {
    form = Form::Bytes;
    if (filled < 2) return;
    if (block[0] == 0xFF && block[1] == 0xFE) {
        form = Form::Utf16Le;
    } else if (block[0] == 0xFE && block[1] == 0xFF) {
        form = Form::Utf16Be;
    } else {
        return;
    }
    position = 2;
}
