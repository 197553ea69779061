#include <cstdio>
#include <cstring>

#include "config/AppPaths.h"

namespace {

constexpr size_t kMaxTextLength = AppPaths::kPathCapacity - 1;
constexpr size_t kLastScanPosition = 255;
constexpr size_t kMaxRunLength = 4;
constexpr size_t kResultLength = 3;

enum CharClass { kForbidden = 0, kNameChar = 1, kBlank = 2 };

bool IsNameChar(char c) {
    return FileNameCharClass(static_cast<uint8_t>(c)) == kNameChar;
}

// The length of the extension run whose dot stands at dot, or 0 when none
// starts there. In a quoted text a blank may belong to the name, so only the
// closing quote or the end of the text can end an extension.
size_t ExtensionRunAt(const char* text, size_t length, size_t dot) {
    if (text[dot] != '.' || dot + 1 >= length || !IsNameChar(text[dot + 1])) return 0;
    size_t end = dot + 2;
    while (end < length && IsNameChar(text[end])) ++end;
    const bool endedByQuoteOrEnd = end == length || text[end] == '"';
    if (!endedByQuoteOrEnd && text[0] == '"') return 0;
    const size_t run = end - dot - 1;
    return run <= kMaxRunLength ? run : 0;
}

}  // namespace

int FileNameCharClass(uint8_t c) {
    if (c != 0 && std::strchr("\\/:*?\"<>|", c) != nullptr) return kForbidden;
    if (c == ' ') return kBlank;
    if (c >= 0x21 && c <= 0x7E) return kNameChar;
    return kForbidden;
}

const char* AppPaths::FileExtension(const char* text) {
    if (text == nullptr) text = "";
    const size_t length = std::strlen(text);
    if (length > kMaxTextLength) {
        std::snprintf(extensionResult, sizeof(extensionResult), "err");
        return extensionResult;
    }
    char work[AppPaths::kPathCapacity];
    std::memcpy(work, text, length + 1);

    for (size_t p = 0; p <= kLastScanPosition && p < length; ++p) {
        const size_t run = ExtensionRunAt(work, length, p);
        if (run > 0) {
            work[p + 1 + run] = '\0';
            break;
        }
    }

    const char* lastDot = std::strrchr(work, '.');
    if (lastDot == nullptr) {
        extensionResult[0] = '\0';
    } else {
        std::snprintf(extensionResult, sizeof(extensionResult), "%.*s",
                      static_cast<int>(kResultLength), lastDot + 1);
    }
    return extensionResult;
}
