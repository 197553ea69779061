#include "qt/DisplayMirror.h"

#include "qt/Cp1252.h"

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
// The core holds at most a few thousand bytes between trims; reserving them
// once keeps the mirror from reallocating tick after tick.
constexpr size_t kReservedBytes = 16384;

}  // namespace

DisplayMirror::DisplayMirror() {
    bytes.reserve(kReservedBytes);
}

void DisplayMirror::Clear() {
    bytes.clear();
}

QString DisplayMirror::Append(const char* text, size_t length) {
    QString out;
    if (text == nullptr || length == 0) return out;
    out.reserve(static_cast<qsizetype>(length));
    // A CR already shown as a line end and an LF that now completes its pair
    // still make one line end.
    const bool crPending = !bytes.empty() && bytes.back() == kCr;
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == kCr) {
            if (i + 1 < length && text[i + 1] == kLf) continue;
            out.append(QChar(kLf));
        } else if (c == kLf) {
            if (i == 0 && crPending) continue;
            out.append(QChar(kLf));
        } else {
            out.append(QChar(Cp1252ToUnicode(static_cast<uint8_t>(c))));
        }
    }
    bytes.append(text, length);
    return out;
}

size_t DisplayMirror::CharsOfByte(size_t index) const {
    const bool crOfPair =
        bytes[index] == kCr && index + 1 < bytes.size() && bytes[index + 1] == kLf;
    return crOfPair ? 0 : 1;
}

size_t DisplayMirror::CharsOfFrontBytes(size_t count) const {
    if (count > bytes.size()) count = bytes.size();
    size_t chars = 0;
    for (size_t i = 0; i < count; ++i) chars += CharsOfByte(i);
    return chars;
}

void DisplayMirror::DeleteFront(size_t count) {
    if (count > bytes.size()) count = bytes.size();
    bytes.erase(0, count);
}

size_t DisplayMirror::ByteOffsetOfChar(size_t position) const {
    size_t chars = 0;
    size_t i = 0;
    while (i < bytes.size() && chars < position) {
        chars += CharsOfByte(i);
        ++i;
    }
    return i;
}
