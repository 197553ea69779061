// The display text against a view that takes what it is handed literally: the
// view must end up with one '\n' per line end however the bytes arrive, and
// every count the core hands over must fit the view's text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "terminal/DisplaySink.h"
#include "terminal/DisplayText.h"

namespace {

class RecordingSink : public DisplaySink {
  public:
    void DisplayClear() override { shown.clear(); }
    void DisplayAppend(const char* text, size_t length) override {
        EXPECT_EQ(text[length], '\0');
        const std::string added(text, length);
        EXPECT_EQ(added.find_first_of(std::string("\r\0", 2)), std::string::npos) << added;
        appended.push_back(added);
        shown += added;
    }
    void DisplayDeleteFront(size_t count) override {
        EXPECT_LE(count, shown.size());
        shown.erase(0, count);
    }
    void DisplayClearUndo() override {}
    size_t DisplayFirstVisibleCharacter() override { return firstVisible; }

    std::string shown;
    std::vector<std::string> appended;
    size_t firstVisible = 0;
};

struct Screen {
    RecordingSink sink;
    DisplayText text{sink};

    void Append(const std::string& bytes) { text.Append(bytes.data(), bytes.size()); }
    std::string Kept() const { return std::string(text.Data(), text.Length()); }
};

struct Case {
    const char* name;
    std::vector<std::string> appends;
    size_t cut;  // bytes deleted from the front after the appends
    std::vector<std::string> later;
    std::string shown;
    std::string kept;
};

TEST(DisplayText, EveryLineEndIsOneViewCharacterHoweverItArrives) {
    const std::string nul("a\0b", 3);
    const Case cases[] = {
        {"CR LF", {"AB\r\nC"}, 0, {}, "AB\nC", "AB\r\nC"},
        {"lone CR", {"A\rB"}, 0, {}, "A\nB", "A\rB"},
        {"lone LF", {"x\ny"}, 0, {}, "x\ny", "x\ny"},
        {"CR before CR LF", {"a\r\r\nb"}, 0, {}, "a\n\nb", "a\r\r\nb"},
        {"LF CR is two", {"a\n\rb"}, 0, {}, "a\n\nb", "a\n\rb"},
        {"CR and LF in two appends", {"A\r", "\n", "B"}, 0, {}, "A\nB", "A\r\nB"},
        {"a second LF is a line end", {"A\r", "\n", "\n"}, 0, {}, "A\n\n", "A\r\n\n"},
        {"CR at the end, then text", {"A\r", "B"}, 0, {}, "A\nB", "A\rB"},
        {"NUL",
         {nul},
         0,
         {},
         "a\xA7"
         "b",
         "a\xA7"
         "b"},
        {"cut before CR LF", {"ab\r\ncd"}, 2, {}, "\ncd", "\r\ncd"},
        {"cut inside CR LF", {"ab\r\ncd"}, 3, {}, "\ncd", "\ncd"},
        {"cut after CR LF", {"ab\r\ncd"}, 4, {}, "cd", "cd"},
        {"cut inside a pair of two appends", {"ab\r", "\ncd"}, 3, {}, "\ncd", "\ncd"},
        {"cut beyond the end", {"ab\r\n"}, 9, {}, "", ""},
        {"cut a CR at the end, its LF follows", {"ab\r"}, 3, {"\nx"}, "\nx", "\nx"},
        {"cut inside CR LF, then more", {"ab\r\n"}, 3, {"\r", "\nc"}, "\n\nc", "\n\r\nc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Screen screen;
        for (const std::string& bytes : c.appends) screen.Append(bytes);
        screen.text.DeleteFront(c.cut);
        for (const std::string& bytes : c.later) screen.Append(bytes);
        EXPECT_EQ(screen.sink.shown, c.shown);
        EXPECT_EQ(screen.Kept(), c.kept);

        // Every view line maps back to the byte after its whole line end.
        const std::string& shown = screen.sink.shown;
        for (size_t i = 0; i < shown.size(); ++i) {
            if (shown[i] != '\n') continue;
            screen.sink.firstVisible = i + 1;
            const size_t offset = screen.text.FirstVisibleOffset();
            ASSERT_GT(offset, 0u);
            const char before = c.kept[offset - 1];
            EXPECT_TRUE(before == '\n' || before == '\r') << i;
            if (before == '\r' && offset < c.kept.size()) {
                EXPECT_NE(c.kept[offset], '\n') << i;
            }
        }
    }
}

TEST(DisplayText, ASplitLineEndAddsNothingForItsLineFeed) {
    Screen screen;
    screen.Append("A\r");
    screen.Append("\n");
    screen.Append("\nB");
    EXPECT_EQ(screen.sink.appended, (std::vector<std::string>{"A\n", "\nB"}));

    // A cleared display forgets the CR it ended with.
    screen.Append("C\r");
    screen.text.Clear();
    screen.Append("\nD");
    EXPECT_EQ(screen.sink.shown, "\nD");
}

TEST(DisplayText, FirstVisibleCharacterBecomesAByteOffset) {
    Screen screen;
    screen.Append("AB\r\nC\rD\nE");  // view: "AB\nC\nD\nE"
    const struct {
        size_t character;
        size_t offset;
    } cases[] = {{0, 0}, {2, 2}, {3, 4}, {5, 6}, {7, 8}, {8, 9}, {99, 9}};
    for (const auto& c : cases) {
        screen.sink.firstVisible = c.character;
        EXPECT_EQ(screen.text.FirstVisibleOffset(), c.offset) << c.character;
    }
}

TEST(DisplayText, AnOverflowDropsTheOldestText) {
    Screen screen;
    std::string full;
    for (int line = 0; line < 4096; ++line) full += "abcdef\r\n";
    ASSERT_EQ(full.size(), 32768u);
    screen.Append(full);
    ASSERT_EQ(screen.sink.shown.size(), 4096u * 7);

    // The cut ends inside the first CR LF: its line end stays.
    screen.Append("ghijklm");
    EXPECT_EQ(screen.text.Length(), 32768u);
    EXPECT_EQ(screen.Kept(), full.substr(7) + "ghijklm");
    const std::string& shown = screen.sink.shown;
    EXPECT_EQ(shown.size(), 4096u * 7 - 6 + 7);
    EXPECT_EQ(shown.substr(0, 8), "\nabcdef\n");
    EXPECT_EQ(shown.substr(shown.size() - 14), "abcdef\nghijklm");

    // More than fits at once keeps its newest part; a LF left at its front
    // is a line end of its own, the CR before it went with the old text.
    Screen huge;
    huge.Append("x\r");
    const std::string tail = "\n" + std::string(32767, 'B');
    huge.Append(std::string(7, 'A') + tail);
    EXPECT_EQ(huge.Kept(), tail);
    EXPECT_EQ(huge.sink.shown, tail);
}

}  // namespace
