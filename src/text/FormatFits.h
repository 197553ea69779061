#pragma once
#include <cstddef>
#include <cstdio>

// snprintf into out that tells whether the whole text fitted. A text that did
// not fit leaves out empty: a cut path or device name would name some other
// place.
template <typename... Args>
bool FormatFits(char* out, size_t capacity, const char* format, Args... args) {
    if (out == nullptr || capacity == 0) return false;
    const int length = std::snprintf(out, capacity, format, args...);
    if (length < 0 || static_cast<size_t>(length) >= capacity) {
        out[0] = '\0';
        return false;
    }
    return true;
}
