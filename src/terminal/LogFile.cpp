#include "terminal/LogFile.h"

#include <cstring>

#include "text/CodePage1252.h"

namespace {

constexpr char kSeparator = ';';
constexpr char kQuote = '"';
constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

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
    if (file != FileSystem::kNoFile) files.Close(file);
}

bool LogFile::Open(const char* path, TextForm textForm) {
    if (file != FileSystem::kNoFile) return false;
    // Only a plain file: a link planted at the name must not have its target
    // emptied, and a FIFO must not freeze the window until someone reads it.
    // The rows bring their own line ends, and go to the file unbuffered
    // beyond the buffer here, so a crash finds in the file what was handed.
    FileSystem::Refusal why = FileSystem::Refusal::None;
    file = files.OpenToReplace(path, why);
    if (file == FileSystem::kNoFile) return false;
    form = textForm;
    writeFailed = false;
    used = 0;
    lineLength = 0;
    hexRowOpen = false;
    return true;
}

bool LogFile::Close(const char* time) {
    if (file == FileSystem::kNoFile) return true;
    EndHexRow();
    if (lineLength > 0) EndLine(time);
    WriteThrough();
    const bool closed = files.Close(file);
    file = FileSystem::kNoFile;
    return closed && !writeFailed;
}

void LogFile::AddLines(const char* time, const char* text, size_t length) {
    if (file == FileSystem::kNoFile) return;
    EndHexRow();
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

void LogFile::AddHexText(const char* time, const char* text, size_t length, bool rowEnds) {
    if (file == FileSystem::kNoFile) return;
    if (!hexRowOpen) {
        // A plain line cut off by the switch to hexadecimal ends here.
        if (lineLength > 0) EndLine(time);
        PutText(time, std::strlen(time));
        PutRaw(kSeparator);
        hexRowOpen = true;
    }
    // Brackets and hexadecimal digits: nothing to quote.
    PutText(text, length);
    if (rowEnds) EndHexRow();
}

void LogFile::EndHexRow() {
    if (!hexRowOpen) return;
    hexRowOpen = false;
    EndRow();
}

void LogFile::AddEvent(const char* time, const char* text) {
    if (file == FileSystem::kNoFile) return;
    EndHexRow();
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
    EndRow();
}

void LogFile::EndRow() {
    if (form == TextForm::Windows1252CrLf) PutRaw(kCarriageReturn);
    PutRaw(kLineFeed);
}

void LogFile::PutText(const char* text, size_t length) {
    for (size_t i = 0; i < length; ++i) PutByte(static_cast<uint8_t>(text[i]));
}

void LogFile::PutByte(uint8_t byte) {
    if (form == TextForm::Windows1252CrLf) {
        PutRaw(static_cast<char>(byte));
        return;
    }
    char utf8[CodePage1252::kMaxUtf8Length];
    const size_t length = CodePage1252::ToUtf8(byte, utf8);
    for (size_t i = 0; i < length; ++i) PutRaw(utf8[i]);
}

void LogFile::PutRaw(char c) {
    if (used == kBufferCapacity) WriteThrough();
    // Only a closed file leaves the buffer full; its rows have nowhere to go.
    if (used < kBufferCapacity) buffer[used++] = c;
}

bool LogFile::WriteThrough() {
    if (file == FileSystem::kNoFile || used == 0) return !writeFailed;
    if (!files.Write(file, buffer, used)) writeFailed = true;
    used = 0;
    return !writeFailed;
}
