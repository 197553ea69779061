#include "DisplayByteMap.h"

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr char kSubstitute = static_cast<char>(0xA7);
constexpr size_t kExpectedCharacters = 16 * 1024;

}  // namespace

DisplayByteMap::DisplayByteMap() {
    widths.reserve(kExpectedCharacters);
    converted.reserve(kExpectedCharacters);
}

const std::string& DisplayByteMap::Append(const char* text, size_t length) {
    converted.clear();
    for (size_t i = 0; i < length; ++i) {
        const char c = text[i];
        if (c == kCr && i + 1 < length && text[i + 1] == kLf) {
            converted.push_back(kCr);
            widths.push_back(2);
            ++i;
        } else if (c == kCr || c == kLf) {
            converted.push_back(kCr);
            widths.push_back(1);
        } else {
            converted.push_back(c == '\0' ? kSubstitute : c);
            widths.push_back(1);
        }
    }
    return converted;
}

size_t DisplayByteMap::DeleteFront(size_t bytes) {
    size_t covered = 0;
    size_t count = 0;
    while (count < widths.size() && covered < bytes) {
        covered += widths[count];
        ++count;
    }
    if (covered > bytes) {
        // Half of a CR LF was cut: its character now stands for the LF.
        --count;
        widths[count] = static_cast<uint8_t>(covered - bytes);
    }
    widths.erase(widths.begin(), widths.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
}

void DisplayByteMap::Clear() {
    widths.clear();
}

size_t DisplayByteMap::ByteOffset(size_t index) const {
    size_t offset = 0;
    for (size_t i = 0; i < index && i < widths.size(); ++i) offset += widths[i];
    return offset;
}
