#include "terminal/DisplayText.h"

#include <cstring>

#include "terminal/DisplaySink.h"

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

}  // namespace

DisplayText::DisplayText(DisplaySink& sink) : sink(sink) {}

void DisplayText::Clear() {
    used = 0;
    text[0] = '\0';
    sink.DisplayClear();
}

void DisplayText::Append(const char* added, size_t length) {
    if (length == 0) return;
    if (length > kCapacity) {
        added += length - kCapacity;
        length = kCapacity;
    }
    if (used + length > kCapacity) DeleteFront(used + length - kCapacity);
    const size_t start = used;
    for (size_t i = 0; i < length; ++i) {
        text[used++] = added[i] == '\0' ? static_cast<char>(kSubstitute) : added[i];
    }
    text[used] = '\0';
    const size_t viewLength = ConvertForView(start);
    if (viewLength > 0) sink.DisplayAppend(viewText, viewLength);
}

size_t DisplayText::ConvertForView(size_t start) {
    // A CR at the old end was shown as its line end already.
    const bool lineEndShown = start > 0 && text[start - 1] == kCarriageReturn;
    size_t out = 0;
    for (size_t i = start; i < used; ++i) {
        const char c = text[i];
        if (c == kLineFeed && i == start && lineEndShown) continue;
        if (ViewCharsOf(i) == 0) continue;
        viewText[out++] = c == kCarriageReturn ? kLineFeed : c;
    }
    viewText[out] = '\0';
    return out;
}

void DisplayText::DeleteFront(size_t count) {
    if (count > used) count = used;
    if (count == 0) return;
    const size_t viewChars = ViewCharsOfFront(count);
    std::memmove(text, text + count, used - count);
    used -= count;
    text[used] = '\0';
    sink.DisplayDeleteFront(viewChars);
}

void DisplayText::ClearUndo() {
    sink.DisplayClearUndo();
}

size_t DisplayText::FirstVisibleOffset() const {
    const size_t position = sink.DisplayFirstVisibleCharacter();
    size_t chars = 0;
    size_t offset = 0;
    while (offset < used && chars < position) chars += ViewCharsOf(offset++);
    return offset;
}

size_t DisplayText::ViewCharsOf(size_t index) const {
    const bool crOfPair =
        text[index] == kCarriageReturn && index + 1 < used && text[index + 1] == kLineFeed;
    return crOfPair ? 0 : 1;
}

size_t DisplayText::ViewCharsOfFront(size_t count) const {
    size_t chars = 0;
    for (size_t i = 0; i < count; ++i) chars += ViewCharsOf(i);
    return chars;
}
