#include <gtest/gtest.h>

#include <string>

#include "FakeMainView.h"
#include "RecordTestSupport.h"
#include "terminal/ReceiveDisplay.h"

namespace {

enum class Mode { Plain, Hex, Record, HexAndRecord };

struct Screen {
    FakeMainView view;
    ReceiveDisplay display{view};

    // One tick's bytes, then the tick's single append.
    void Tick(const std::string& bytes, Mode mode) {
        bool hex = mode == Mode::Hex || mode == Mode::HexAndRecord;
        bool record = mode == Mode::Record || mode == Mode::HexAndRecord;
        display.ShowBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                          ReceiveMode{hex, record});
    }
    std::string Shown() const { return view.display; }
    std::string Kept() const { return std::string(display.Text().Data(), display.Text().Length()); }
};

TEST(ReceiveDisplay, PlainAndHexText) {
    const std::string printable200(200, 'p');
    struct Case {
        const char* name;
        std::string input;
        Mode mode;
        std::string shown;
    } const cases[] = {
        {"CR LF is one break", "AB\r\nC", Mode::Plain, "AB\nC"},
        {"lone CR breaks", "A\rB", Mode::Plain, "A\nB"},
        {"lone LF does not", "x\ny", Mode::Plain, "xy"},
        {"break after 80", printable200, Mode::Plain,
         std::string(80, 'p') + "\n" + std::string(80, 'p') + "\n" + std::string(40, 'p')},
        {"substitutes", "\x07\xE4\xFF\x7F" + std::string(1, '\0') + "\x80", Mode::Plain,
         "\xA7\xE4\xA7\xA7\xA7\x80"},
        {"hex", "\x41\x0D\x0A\xE4", Mode::Hex, "[41][0D][0A][E4]"},
        {"hex wins over records", std::string("#A\0", 3), Mode::HexAndRecord, "[23][41][00]"},
    };
    for (const Case& c : cases) {
        Screen screen;
        screen.Tick(c.input, c.mode);
        EXPECT_EQ(screen.Shown(), c.shown) << c.name;
    }

    // Copy and save get the line end a CR makes as CR LF.
    Screen screen;
    screen.Tick("A\rB", Mode::Plain);
    EXPECT_EQ(screen.Kept(), "A\r\nB");
}

TEST(ReceiveDisplay, EachTickAppendsOnceAndTheColumnRunsOn) {
    Screen screen;
    screen.Tick(std::string(50, 'a'), Mode::Plain);
    screen.Tick(std::string(50, 'b'), Mode::Plain);
    EXPECT_EQ(screen.view.displayAppends, 2u);
    EXPECT_EQ(screen.Shown(),
              std::string(50, 'a') + std::string(30, 'b') + "\n" + std::string(20, 'b'));
    EXPECT_EQ(screen.display.CurrentColumn(), 20);

    // A CR counts as a character of its line.
    Screen crLine;
    crLine.Tick(std::string(79, 'c') + "\r" + "d", Mode::Plain);
    EXPECT_EQ(crLine.Shown(), std::string(79, 'c') + "\nd");

    // Clearing starts a new line; hex text leaves the column alone.
    screen.display.ClearDisplay();
    screen.Tick("\x42", Mode::Hex);
    screen.Tick(std::string(80, 'e'), Mode::Plain);
    EXPECT_EQ(screen.Shown(), "[42]" + std::string(80, 'e') + "\n");
}

// Two ticks of a 921600 baud line in one piece: what the display keeps must
// be exactly what formatting every byte and trimming would have left.
TEST(ReceiveDisplay, AFastTickShowsWhatFormattingEveryByteWouldLeave) {
    std::string bytes;
    for (size_t line = 0; bytes.size() < 18432; ++line) {
        bytes += std::string(line % 170, static_cast<char>('a' + line % 26));
        bytes += line % 3 == 0 ? "\r\n" : (line % 3 == 1 ? "\n" : "\r");
    }
    for (Mode mode : {Mode::Plain, Mode::Hex}) {
        Screen fast;
        fast.Tick(bytes, mode);
        fast.display.TrimDisplay();
        Screen slow;
        // Pieces whose text stays below the trim: nothing is skipped there.
        for (size_t at = 0; at < bytes.size(); at += 500) slow.Tick(bytes.substr(at, 500), mode);
        slow.display.TrimDisplay();
        EXPECT_EQ(fast.Shown(), slow.Shown()) << static_cast<int>(mode);
        EXPECT_EQ(fast.Kept(), slow.Kept()) << static_cast<int>(mode);
        EXPECT_EQ(fast.display.CurrentColumn(), slow.display.CurrentColumn());
        EXPECT_LE(fast.view.displayAppends, 2u);
    }
}

TEST(ReceiveDisplay, RecordsGoToTheDisplayAsTheyComplete) {
    using record_test::Record;
    using record_test::Value;
    Screen screen;
    std::string raw = Value("  1.5", '1');
    // A '#' inside a record restarts it unseen; bytes outside records vanish.
    screen.Tick("junk\r\n#12345" + raw, Mode::Record);
    EXPECT_EQ(screen.Shown(), raw);

    std::string cycle = Record('A', '9', "12.34", 'S', '1');
    const char more[] = "2345_23";
    for (char c : more) {
        if (c != '\0') cycle += Value("  1.5", c);
    }
    screen.display.ClearDisplay();
    // Split mid-record across ticks: the record survives the tick's end.
    screen.Tick(cycle.substr(0, 30), Mode::Record);
    EXPECT_EQ(screen.Shown(), "A 4__1 012.3 ");
    screen.Tick(cycle.substr(30), Mode::Record);
    EXPECT_EQ(screen.Shown(),
              "A 4__1 012.3 001.5 001.5 001.5 001.5 001.5 001.5 001.5 SN=0074565  23'C\n");
}

TEST(ReceiveDisplay, ABadChecksumShowsAnErrorLineAndRestartsTheCycle) {
    using record_test::Record;
    using record_test::Value;
    std::string start = Record('A', '9', "12.34", 'S', '1');
    std::string bad = Value("  1.5", '2');
    bad[17] = bad[17] == '0' ? '1' : '0';
    std::string after = Value("  2.5", '3');

    Screen screen;
    screen.Tick(start + bad + after, Mode::Record);
    EXPECT_EQ(screen.Shown(), "A 4__1 012.3 --ERROR=FF02--\n" + after);
}

TEST(ReceiveDisplay, TrimKeepsTheNewest2160CharactersAbove2300Only) {
    for (size_t length : {2300u, 2301u}) {
        Screen screen;
        std::string text;
        for (size_t i = 0; i < length; ++i) text += static_cast<char>('A' + i % 26);
        screen.display.AppendToDisplay(text.data(), text.size());
        screen.display.TrimDisplay();
        EXPECT_EQ(screen.Shown(), length > 2300 ? text.substr(length - 2160) : text) << length;
        EXPECT_EQ(screen.view.undoClears, 1u);
    }
}

}  // namespace
