#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The core counts the display in bytes, with CR LF as two; the rich-edit
// control keeps one character per line end. This map remembers, for every
// character of the control, how many of the core's bytes it stands for, so
// that byte offsets and character positions convert both ways.
class DisplayByteMap {
  public:
    DisplayByteMap();

    // Turns bytes into the control's form: every CR LF, lone CR and lone LF
    // becomes one CR, and a NUL (which would end the control's text early)
    // becomes the substitute character. The result stays valid until the next
    // call; its length is the number of characters the control gains.
    const std::string& Append(const char* text, size_t length);
    // The number of leading characters that hold the first `bytes` bytes.
    // When the cut falls inside a CR LF, its character stays and stands for
    // the remaining LF alone.
    size_t DeleteFront(size_t bytes);
    void Clear();

    size_t characters() const { return widths.size(); }
    // Byte offset at which character `index` starts (the byte total when it
    // lies beyond the end).
    size_t ByteOffset(size_t index) const;

  private:
    std::vector<uint8_t> widths;
    std::string converted;
};
