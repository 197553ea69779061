#include "serial/SettingsText.h"

#include <cstdio>
#include <cstring>

#include "text/Ascii.h"

namespace {

// Field widths of the fixed form; each field is followed by one separator.
constexpr size_t kPortWidth = 3;
constexpr size_t kBaudWidth = 6;
constexpr size_t kLetterWidth = 1;
constexpr size_t kDigitWidth = 1;
constexpr size_t kSeparatorWidth = 1;

constexpr int64_t kInt32Max = 2147483647;
constexpr int64_t kInt32Min = -kInt32Max - 1;

// Walks the fields of a settings text in order. A field takes at least its
// width; a number with more digits takes them all.
class FieldReader {
  public:
    explicit FieldReader(const SettingsText& in) : text(in.text) {}

    int32_t Number(size_t width) {
        size_t used = 0;
        const int32_t value =
            Remaining() > 0 ? ReadLeadingNumber(text + pos, Remaining(), &used) : 0;
        Advance(used > width ? used : width);
        return value;
    }

    char Letter() {
        const char letter = Remaining() > 0 ? text[pos] : '\0';
        Advance(kLetterWidth);
        return letter;
    }

  private:
    size_t Remaining() const {
        return pos < kSettingsTextCapacity ? kSettingsTextCapacity - pos : 0;
    }
    void Advance(size_t width) { pos += width + kSeparatorWidth; }

    const char* text;
    size_t pos = 0;
};

}  // namespace

int32_t ReadLeadingNumber(const char* text, size_t length, size_t* used) {
    if (used != nullptr) *used = 0;
    if (text == nullptr) return 0;
    bool negative = false;
    size_t pos = static_cast<size_t>(SkipBlanksAndSign(text, text + length, negative) - text);
    if (pos >= length || !IsAsciiDigit(text[pos])) return 0;  // nothing converts: nothing used
    int64_t value = 0;
    for (; pos < length && IsAsciiDigit(text[pos]); ++pos) {
        // Saturated: further digits still belong to the number.
        if (value <= kInt32Max) value = value * 10 + (text[pos] - '0');
    }
    if (used != nullptr) *used = pos;
    if (negative) value = -value;
    if (value > kInt32Max) return static_cast<int32_t>(kInt32Max);
    if (value < kInt32Min) return static_cast<int32_t>(kInt32Min);
    return static_cast<int32_t>(value);
}

void WriteSettingsText(const LineSettings& line, char saveMode, SettingsText& out) {
    std::memset(out.text, 0, sizeof(out.text));
    std::snprintf(out.text, sizeof(out.text), "%03u_%06lu_%c_%u_%u_%c_",
                  static_cast<unsigned>(line.port), static_cast<unsigned long>(line.baud),
                  line.parity, static_cast<unsigned>(line.dataBits),
                  static_cast<unsigned>(line.stopBits), saveMode);
}

SettingsAnswer ReadSettingsText(const SettingsText& in) {
    FieldReader fields(in);
    SettingsAnswer answer;
    LineSettings& line = answer.lineSettings;
    line.port = static_cast<uint16_t>(fields.Number(kPortWidth));
    line.baud = static_cast<uint32_t>(fields.Number(kBaudWidth));
    line.parity = fields.Letter();
    line.dataBits = static_cast<uint8_t>(fields.Number(kDigitWidth));
    line.stopBits = static_cast<uint8_t>(fields.Number(kDigitWidth));
    answer.saveMode = fields.Letter();
    return answer;
}

void FormatPortSettings(const LineSettings& line, char* out, size_t capacity) {
    std::snprintf(out, capacity, "COM%u: %lu,%c,%u,%u", static_cast<unsigned>(line.port),
                  static_cast<unsigned long>(line.baud), line.parity,
                  static_cast<unsigned>(line.dataBits), static_cast<unsigned>(line.stopBits));
}
