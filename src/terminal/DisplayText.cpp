#include "terminal/DisplayText.h"

#include <cstring>

#include "window/MainView.h"

DisplayText::DisplayText(MainView& mirror) : view(mirror) {}

void DisplayText::Clear() {
    used = 0;
    text[0] = '\0';
    view.DisplayClear();
}

void DisplayText::Append(const char* added, size_t length) {
    if (length == 0) return;
    if (length > kCapacity) {
        added += length - kCapacity;
        length = kCapacity;
    }
    if (used + length > kCapacity) DeleteFront(used + length - kCapacity);
    std::memcpy(text + used, added, length);
    used += length;
    text[used] = '\0';
    view.DisplayAppend(added, length);
}

void DisplayText::DeleteFront(size_t count) {
    if (count > used) count = used;
    if (count == 0) return;
    std::memmove(text, text + count, used - count);
    used -= count;
    text[used] = '\0';
    view.DisplayDeleteFront(count);
}

void DisplayText::ClearUndo() {
    view.DisplayClearUndo();
}
