#pragma once
#include <cstddef>

class MainView;

// The receive display's text, owned here and mirrored by the view: every
// change is made to both, so what is copied, saved or trimmed is decided on
// the same bytes the user sees. Bounded: an append that would overflow first
// drops the oldest text, so the newest text always survives.
class DisplayText {
  public:
    static constexpr size_t kCapacity = 32768;

    explicit DisplayText(MainView& view);
    DisplayText(const DisplayText&) = delete;
    DisplayText& operator=(const DisplayText&) = delete;

    void Clear();
    void Append(const char* text, size_t length);
    void DeleteFront(size_t count);
    void ClearUndo();

    size_t length() const { return used; }
    // Zero-terminated.
    const char* data() const { return text; }

  private:
    MainView& view;
    char text[kCapacity + 1] = {};
    size_t used = 0;
};
