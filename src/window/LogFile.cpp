#include "window/LogFile.h"

#include <cstring>

namespace {

constexpr char kSeparator = ';';
constexpr char kQuote = '"';
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

// The characters of Windows-1252 0x80..0x9F; from 0xA0 on the code page is
// Latin-1. The five bytes it leaves undefined keep their value as a C1
// control, as the screen shows them.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
constexpr uint8_t kFirstHigh = 0x80;
constexpr uint8_t kLastHigh = 0x9F;

uint16_t CharacterOf(uint8_t byte) {
    if (byte >= kFirstHigh && byte <= kLastHigh) return kHighControls[byte - kFirstHigh];
    return byte;
}

// A spreadsheet would split the row at these, or end it.
bool NeedsQuotes(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == kSeparator || c == kQuote || c == kCarriageReturn || c == kLineFeed) return true;
    }
    return false;
}

}  // namespace

LogFile::~LogFile() {
    if (file != nullptr) std::fclose(file);
}

bool LogFile::Open(const char* path, TextForm textForm) {
    if (file != nullptr) return false;
    // Binary: the rows bring their own line ends.
    file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    // The rows are buffered here already; a second buffer would only hold
    // back what a crash should find in the file.
    std::setvbuf(file, nullptr, _IONBF, 0);
    form = textForm;
    writeFailed = false;
    used = 0;
    lineLength = 0;
    return true;
}

bool LogFile::Close(const char* time) {
    if (file == nullptr) return true;
    if (lineLength > 0) EndLine(time);
    WriteThrough();
    const bool closed = std::fclose(file) == 0;
    file = nullptr;
    return closed && !writeFailed;
}

void LogFile::AddLines(const char* time, const char* text, size_t length) {
    if (file == nullptr) return;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == kLineFeed) {
            EndLine(time);
            continue;
        }
        if (lineLength == kLineCapacity) {
            WriteRow(time, line, lineLength);
            lineLength = 0;
        }
        line[lineLength++] = text[i];
    }
}

void LogFile::AddHexText(const char* time, const char* text, size_t length) {
    if (file == nullptr) return;
    // A plain line cut off by the switch to hexadecimal ends here.
    if (lineLength > 0) EndLine(time);
    WriteRow(time, text, length);
}

void LogFile::AddEvent(const char* time, const char* text) {
    if (file == nullptr) return;
    WriteRow(time, text, std::strlen(text));
}

void LogFile::EndLine(const char* time) {
    // The CR that ended the line on the screen is the row's end here.
    size_t length = lineLength;
    if (length > 0 && line[length - 1] == kCarriageReturn) --length;
    WriteRow(time, line, length);
    lineLength = 0;
}

void LogFile::WriteRow(const char* time, const char* text, size_t length) {
    PutText(time, std::strlen(time));
    PutRaw(kSeparator);
    const bool quoted = NeedsQuotes(text, length);
    if (quoted) PutRaw(kQuote);
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == kQuote) PutRaw(kQuote);
        PutByte(static_cast<uint8_t>(text[i]));
    }
    if (quoted) PutRaw(kQuote);
    if (form == TextForm::Windows1252CrLf) PutRaw(kCarriageReturn);
    PutRaw(kLineFeed);
}

void LogFile::PutText(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) PutByte(static_cast<uint8_t>(text[i]));
}

void LogFile::PutByte(uint8_t byte) {
    if (form == TextForm::Windows1252CrLf || byte < kFirstHigh) {
        PutRaw(static_cast<char>(byte));
        return;
    }
    const uint16_t c = CharacterOf(byte);
    if (c < 0x800) {
        PutRaw(static_cast<char>(0xC0 | (c >> 6)));
    } else {
        PutRaw(static_cast<char>(0xE0 | (c >> 12)));
        PutRaw(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    }
    PutRaw(static_cast<char>(0x80 | (c & 0x3F)));
}

void LogFile::PutRaw(char c) {
    if (used == kBufferCapacity) WriteThrough();
    // Only a closed file leaves the buffer full; its rows have nowhere to go.
    if (used < kBufferCapacity) buffer[used++] = c;
}

bool LogFile::WriteThrough() {
    if (file == nullptr || used == 0) return !writeFailed;
    if (std::fwrite(buffer, 1, used, file) != used || std::fflush(file) != 0) writeFailed = true;
    used = 0;
    return !writeFailed;
}
