#include "config/IniFile.h"

#include <cstdio>
#include <cstring>

#include "config/AppPaths.h"
#include "config/IniLineReader.h"
#include "config/MessageSink.h"
#include "text/Ascii.h"
#include "text/FormatFits.h"

namespace {

constexpr size_t kUnsignedValueLength = 50;
constexpr size_t kLongValueLength = 70;
constexpr size_t kCharValueLength = 50;
static_assert(kLongValueLength < IniFile::kValueCapacity);

constexpr uint32_t kLongLimit = 4294967295u;

bool IsPrintable(unsigned char c) {
    return c >= 0x20 && c <= 0x7E;
}
bool IsNameByte(unsigned char c) {
    return c >= 0x21 && c <= 0x7E;
}
bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

const char* SkipBlanks(const char* text, const char* end) {
    while (text != end && IsBlank(*text)) ++text;
    return text;
}

// Written before the first line by some editors, and kept by others when
// lines are pasted together.
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";
constexpr size_t kUtf8MarkLength = sizeof(kUtf8Mark) - 1;

// Where the value of key begins in a line that sets it ("key=value", any
// case, blanks allowed around the '='); nullptr for any other line. The key
// must open the line: a blank or anything else before it is some other text.
const char* ValueStart(const char* line, size_t length, const char* key, size_t keyLength) {
    const char* end = line + length;
    if (length >= kUtf8MarkLength && std::memcmp(line, kUtf8Mark, kUtf8MarkLength) == 0) {
        line += kUtf8MarkLength;
    }
    if (static_cast<size_t>(end - line) < keyLength) return nullptr;
    for (size_t i = 0; i < keyLength; ++i) {
        if (LowerAscii(line[i]) != LowerAscii(key[i])) return nullptr;
    }
    const char* separator = SkipBlanks(line + keyLength, end);
    if (separator == end || *separator != '=') return nullptr;
    return SkipBlanks(separator + 1, end);
}

// The form WriteChar gives a byte that is no name character: "0x" and two hex
// digits, alone in the value or followed by a blank.
bool DecodeHexChar(const char* value, char& out) {
    if (value[0] != '0' || LowerAscii(value[1]) != 'x') return false;
    const int high = HexDigitValue(value[2]);
    const int low = high < 0 ? -1 : HexDigitValue(value[3]);
    if (low < 0 || (value[4] != '\0' && !IsBlank(value[4]))) return false;
    out = static_cast<char>(high << 4 | low);
    return true;
}

// Leading white space, then an optional sign; returns where the digits start.
const char* SkipToDigits(const char* text, bool& negative) {
    return SkipBlanksAndSign(text, text + std::strlen(text), negative);
}

// A signed decimal number modulo 65536 (so -1 is 65535); no digits give 0.
uint16_t ParseModulo16(const char* text) {
    bool negative = false;
    uint32_t value = 0;
    for (const char* p = SkipToDigits(text, negative); IsAsciiDigit(*p); ++p) {
        value = (value * 10 + static_cast<uint32_t>(*p - '0')) & 0xFFFFu;
    }
    return static_cast<uint16_t>(negative ? (0x10000u - value) & 0xFFFFu : value);
}

// An unsigned decimal number; beyond 4294967295 (with either sign) it stays
// there, and a '-' negates it modulo 2^32.
uint32_t ParseSaturated32(const char* text) {
    bool negative = false;
    uint64_t value = 0;
    for (const char* p = SkipToDigits(text, negative); IsAsciiDigit(*p); ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > kLongLimit) return kLongLimit;
    }
    const uint32_t magnitude = static_cast<uint32_t>(value);
    return negative ? 0u - magnitude : magnitude;
}

// A write into the first page of a file is one piece for the system: a
// process killed during it leaves all of it in the file or none.
constexpr size_t kOnePiece = 4096;
static_assert(IniFile::kContentCapacity <= kOnePiece);

using Refusal = FileSystem::Refusal;

// What stands at the setup file's name: a link, a FIFO, a device or a folder
// must neither be written through nor replaced.
bool HoldsOtherThanFile(FileSystem& files, const char* path) {
    Refusal why = Refusal::None;
    const FileSystem::Handle probe = files.OpenToRead(path, why);
    if (probe != FileSystem::kNoFile) files.Close(probe);
    return why == Refusal::NotPlain;
}

}  // namespace

void EscapeControls(const char* text, char* out, size_t capacity) {
    if (capacity == 0) return;
    size_t used = 0;
    out[0] = '\0';
    for (const char* p = text; *p != '\0'; ++p) {
        const unsigned char byte = static_cast<unsigned char>(*p);
        const size_t room = capacity - used;
        if (!IsControl(byte)) {
            if (room < 2) return;
            out[used++] = *p;
            out[used] = '\0';
            continue;
        }
        if (room < 5) return;
        std::snprintf(out + used, room, "0x%02X", static_cast<unsigned>(byte));
        used += 4;
    }
}

bool FileUnreadable(const char* path, FileSystem& files) {
    if (path == nullptr || path[0] == '\0') return false;
    Refusal why = Refusal::None;
    const FileSystem::Handle probe = files.OpenToRead(path, why);
    if (probe == FileSystem::kNoFile) return why == Refusal::Denied;
    files.Close(probe);
    return false;
}

uint64_t FileSize(const char* path, FileSystem& files) {
    if (path == nullptr || path[0] == '\0') return 0;
    // Anything but a regular file (a FIFO, a device) counts as missing: a
    // read from it might wait for ever.
    Refusal why = Refusal::None;
    const FileSystem::Handle probe = files.OpenToRead(path, why);
    if (probe == FileSystem::kNoFile) return 0;
    // A first byte proves the file readable.
    char first = 0;
    size_t count = 0;
    uint64_t size = 0;
    if (!files.ReadAt(probe, 0, &first, 1, count) || count != 1 || !files.Size(probe, size)) {
        size = 0;
    }
    files.Close(probe);
    return size;
}

IniFile::IniFile(const AppPaths& paths, MessageSink& messages, FileSystem& files)
    : paths(paths), messages(messages), files(files) {}

IniFile::~IniFile() {
    DropFile();
}

void IniFile::DropFile() {
    if (file != FileSystem::kNoFile) {
        if (writing && !inPlace) files.Remove(file, sidePath);
        files.Close(file);
    }
    file = FileSystem::kNoFile;
    writing = false;
    inPlace = false;
    used = 0;
}

bool IniFile::CreateForWriting(const char* header) {
    DropFile();
    const char* path = paths.SetupFilePath();
    const bool named = path[0] != '\0' &&
                       FormatFits(sidePath, sizeof(sidePath), "%s%s", path, kSideSuffix) &&
                       !HoldsOtherThanFile(files, path);
    Refusal why = Refusal::Failed;
    if (named) file = files.CreateNew(sidePath, path, why);
    // A read-only folder may hold a setup file the user can still write:
    // better a file rewritten in place than a box at every start.
    if (file == FileSystem::kNoFile && named && why == Refusal::Denied) {
        file = files.OpenInPlace(path, why);
        inPlace = file != FileSystem::kNoFile;
    }
    writing = file != FileSystem::kNoFile;
    writeFailed = false;
    used = 0;
    if (!writing) {
        messages.ShowMessage(kIniCreateFailed);
        return false;
    }
    if (!WriteRaw(header != nullptr ? header : "")) {
        DropFile();
        return false;
    }
    return true;
}

bool IniFile::OpenForReading() {
    DropFile();
    if (FileSize(paths.SetupFilePath(), files) == 0) return false;
    Refusal why = Refusal::None;
    file = files.OpenToRead(paths.SetupFilePath(), why);
    if (file == FileSystem::kNoFile) {
        messages.ShowMessage(kIniOpenFailed);
        return false;
    }
    return true;
}

bool IniFile::Close() {
    if (file == FileSystem::kNoFile) return false;
    if (writing) return FinishWriting();
    const bool closed = files.Close(file);
    file = FileSystem::kNoFile;
    if (!closed) {
        messages.ShowMessage(kIniCloseFailed);
        return false;
    }
    return true;
}

// The side file replaces the setup file only when all of it is on the disk;
// a failed save leaves the previous file as it was.
bool IniFile::FinishWriting() {
    bool done = !writeFailed;
    if (inPlace) {
        done = done && RewriteInPlace();
    } else {
        done = done && files.Write(file, content, used) && files.Sync(file) &&
               files.MoveInto(file, sidePath, paths.SetupFilePath());
        if (!done) files.Remove(file, sidePath);
    }
    const bool closed = files.Close(file);
    file = FileSystem::kNoFile;
    writing = false;
    inPlace = false;
    used = 0;
    if (!done || !closed) {
        messages.ShowMessage(kIniCloseFailed);
        return false;
    }
    return true;
}

// Without a side file the setup file itself is all there is, and a kill at
// any moment must leave it holding the old settings or the new ones, whole,
// never nothing: emptying it first and then writing (a kill in between leaves
// zero bytes) is out. The new text goes over the old one from the start, in
// one write of at most one page, which a kill cannot split. A longer old file
// then still shows its last bytes after the new text until it is cut to the
// new length; that is harmless, since a reader takes each key from its first
// line and the new text holds every key a save writes, so the settings read
// are the new ones from the moment of the write on. Only then is the rest cut
// off. (A power cut is another matter: without a second file nothing can be
// promised for it; the syncs make its window as short as the disk allows.)
bool IniFile::RewriteInPlace() {
    uint64_t oldLength = 0;
    if (used > kOnePiece || !files.Size(file, oldLength)) return false;
    if (!files.WriteAt(file, 0, content, used) || !files.Sync(file)) return false;
    if (oldLength <= used) return true;
    return files.Truncate(file, used) && files.Sync(file);
}

bool IniFile::WriteRaw(const char* text) {
    return WriteRaw(text, std::strlen(text));
}

bool IniFile::WriteRaw(const char* text, size_t length) {
    if (file == FileSystem::kNoFile || !writing) return false;
    if (length <= sizeof(content) - used) {
        std::memcpy(content + used, text, length);
        used += length;
        return true;
    }
    writeFailed = true;
    return false;
}

// A control character (a line end in a command line, say) is written as 0x
// and two hex digits, so that no value ever breaks its line and starts one of
// its own.
bool IniFile::WriteValue(const char* value) {
    bool written = true;
    const char* run = value;
    for (const char* p = value;; ++p) {
        const unsigned char byte = static_cast<unsigned char>(*p);
        if (byte != 0 && !IsControl(byte)) continue;
        if (p != run) written = WriteRaw(run, static_cast<size_t>(p - run)) && written;
        if (byte == 0) return written;
        char escaped[8];
        std::snprintf(escaped, sizeof(escaped), "0x%02X", static_cast<unsigned>(byte));
        written = WriteRaw(escaped) && written;
        run = p + 1;
    }
}

// Written in parts rather than formatted into one buffer, so that a value of
// any length still ends with its CR LF.
bool IniFile::WriteKeyLine(const char* key, const char* value) {
    if (file == FileSystem::kNoFile) return false;
    const bool keyWritten = WriteRaw(key);
    const bool separatorWritten = WriteRaw("=");
    const bool valueWritten = WriteValue(value);
    const bool endWritten = WriteRaw("\r\n");
    return keyWritten && separatorWritten && valueWritten && endWritten;
}

bool IniFile::WriteSection(const char* name) {
    if (file == FileSystem::kNoFile) return false;
    const bool open = WriteRaw("\r\n[");
    const bool written = WriteRaw(name);
    const bool close = WriteRaw("]\r\n");
    return open && written && close;
}

bool IniFile::WriteUnsigned(const char* key, unsigned value) {
    char text[8];
    std::snprintf(text, sizeof(text), "%u", value & 0xFFFFu);
    return WriteKeyLine(key, text);
}

bool IniFile::WriteLong(const char* key, uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof(text), "%lu", static_cast<unsigned long>(value));
    return WriteKeyLine(key, text);
}

bool IniFile::WriteChar(const char* key, char value) {
    const unsigned char byte = static_cast<unsigned char>(value);
    char text[8];
    if (IsNameByte(byte)) {
        std::snprintf(text, sizeof(text), "%c", value);
    } else {
        std::snprintf(text, sizeof(text), "0x%02X", static_cast<unsigned>(byte));
    }
    return WriteKeyLine(key, text);
}

bool IniFile::WriteText(const char* key, const char* text) {
    return WriteKeyLine(key, text != nullptr ? text : "");
}

size_t IniFile::FindValue(const char* key, char* out, size_t maxLength) {
    if (out != nullptr) out[0] = '\0';
    if (key == nullptr || out == nullptr || !Rewind()) return 0;
    const size_t keyLength = std::strlen(key);
    if (keyLength > kMaxKeyLength) return 0;

    IniLineReader reader(files, file);
    char line[IniLineReader::kLineCapacity];
    size_t length = 0;
    while (reader.Next(line, length)) {
        const char* value = ValueStart(line, length, key, keyLength);
        if (value == nullptr) continue;
        const char* end = line + length;
        size_t valueLength = 0;
        for (; value != end && valueLength < maxLength; ++value) {
            if (!IsPrintable(static_cast<unsigned char>(*value))) break;
            out[valueLength++] = *value;
        }
        out[valueLength] = '\0';
        return valueLength;
    }
    return 0;
}

bool IniFile::HoldsAnyKey(const char* const* keys, size_t count) {
    if (keys == nullptr || !Rewind()) return false;
    IniLineReader reader(files, file);
    char line[IniLineReader::kLineCapacity];
    size_t length = 0;
    while (reader.Next(line, length)) {
        for (size_t i = 0; i < count; ++i) {
            const size_t keyLength = std::strlen(keys[i]);
            if (keyLength <= kMaxKeyLength && ValueStart(line, length, keys[i], keyLength)) {
                return true;
            }
        }
    }
    return false;
}

// Every reader starts at the file's first byte.
bool IniFile::Rewind() {
    return file != FileSystem::kNoFile && !writing;
}

bool IniFile::ReadUnsigned(const char* key, uint16_t& target) {
    if (FindValue(key, valueBuffer, kUnsignedValueLength) == 0) return false;
    target = ParseModulo16(valueBuffer);
    return true;
}

bool IniFile::ReadLong(const char* key, uint32_t& target) {
    if (FindValue(key, valueBuffer, kLongValueLength) == 0) return false;
    target = ParseSaturated32(valueBuffer);
    return true;
}

bool IniFile::ReadChar(const char* key, char& target) {
    if (FindValue(key, valueBuffer, kCharValueLength) == 0) return false;
    if (!DecodeHexChar(valueBuffer, target)) target = valueBuffer[0];
    return true;
}
