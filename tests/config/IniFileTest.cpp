#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ConfigTestSupport.h"
#include "config/AppPaths.h"
#include "config/IniFile.h"

namespace {

using namespace std::string_view_literals;
using namespace config_test;

class IniFileTest : public ::testing::Test {
  protected:
    void OpenWith(const std::string& bytes) {
        ASSERT_TRUE(WriteBytes(paths.SetupFilePath(), bytes));
        ASSERT_TRUE(ini.OpenForReading());
    }
    std::string Value(const char* key, size_t maxLength = 200) {
        char out[256] = "unchanged";
        const size_t length = ini.FindValue(key, out, maxLength);
        EXPECT_EQ(length, std::string(out).size()) << key;
        return out;
    }

    ScratchFolder folder;
    AppPaths paths{folder.Join("quorvant.exe").c_str(), "x", kPathSeparator, kKeepModulePathCase};
    RecordingSink sink;
    IniFile ini{paths, sink};
};

TEST_F(IniFileTest, WritersProduceTheirLineFormsAndReadBack) {
    ASSERT_TRUE(ini.CreateForWriting("HEAD\r\n"));
    ini.WriteSection("S");
    ini.WriteUnsigned("U", 70000);
    ini.WriteLong("L", 4294967295u);
    ini.WriteChar("C", 'E');
    ini.WriteChar("ESC", '\x1B');
    ini.WriteChar("BLANK", ' ');
    ini.WriteChar("HIGH", '\xE4');
    ini.WriteChar("NUL", '\0');
    ini.WriteText("T", " a b ");
    ini.WriteText("EMPTY", "");
    // A command line may hold line ends; they must not start lines of their own.
    ini.WriteText("CMD", "x\r\nSELECTED_MAC=2\tz\x7F\xE4");
    ASSERT_TRUE(ini.Close());

    EXPECT_EQ(ReadBytes(paths.SetupFilePath()),
              "HEAD\r\n\r\n[S]\r\nU=4464\r\nL=4294967295\r\nC=E\r\nESC=0x1B\r\nBLANK=0x20\r\n"
              "HIGH=0xE4\r\nNUL=0x00\r\nT= a b \r\nEMPTY=\r\n"
              "CMD=x0x0D0x0ASELECTED_MAC=20x09z0x7F\xE4\r\n");

    // Every character WriteChar writes comes back as it was.
    ASSERT_TRUE(ini.OpenForReading());
    for (const auto& [key, expected] :
         {std::pair{"C", 'E'}, std::pair{"ESC", '\x1B'}, std::pair{"BLANK", ' '},
          std::pair{"HIGH", '\xE4'}, std::pair{"NUL", '\0'}}) {
        SCOPED_TRACE(key);
        char c = 'Q';
        EXPECT_TRUE(ini.ReadChar(key, c));
        EXPECT_EQ(c, expected);
    }
    EXPECT_EQ(Value("SELECTED_MAC"), "");
    EXPECT_EQ(Value("T"), "a b ");
    EXPECT_TRUE(ini.Close());
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(IniFileTest, ReadCharDecodesOnlyTheWholeHexForm) {
    const struct {
        const char* value;
        char expected;
    } cases[] = {
        {"0x1B", '\x1B'},  {"0x1b", '\x1B'},   {"0X7f", '\x7F'}, {"0x00", '\0'},
        {"0x45 ; E", 'E'}, {"0x1B\t", '\x1B'}, {"0x1", '0'},     {"0x1BC", '0'},
        {"0xG1", '0'},     {"0x", '0'},        {"0", '0'},       {"x1B", 'x'},
    };
    std::string file;
    for (size_t i = 0; i < std::size(cases); ++i) {
        file += Cat({"K", std::to_string(i), "=", cases[i].value, "\r\n"});
    }
    OpenWith(file);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].value);
        char c = 'Q';
        EXPECT_TRUE(ini.ReadChar(Cat({"K", std::to_string(i)}).c_str(), c));
        EXPECT_EQ(c, cases[i].expected);
    }
}

TEST_F(IniFileTest, FindValueTakesTheFirstLineThatBeginsWithTheKey) {
    const std::string key100(100, 'K');
    const std::string key101(101, 'K');
    OpenWith(
        Cat({"COMPORT=5\r\n"
             "\r\n[RS232]\r\n"
             "COMPORT=3\r\n"
             "MAC10=AAAAAAAAAAAA\r\n"
             "MAC1=BBBBBBBBBBBB\r\n"
             "comstop=2\r\n"
             " COMBITS=7\r\n"
             "COMPARI = O\r\n"
             "NOTE=  a b  \r\n"
             "TABBED=value\t; comment\r\n"
             "HIGH=ab\xE4"
             "cd\r\n"
             "NUL=ab\0cd\r\n"
             "LFONLY=lf\n"
             "EMPTY=\r\n"sv,
             key100, "=hundred\r\n", key101, "=too long\r\n", "BARE=last"}));
    struct {
        std::string key;
        size_t maxLength;
        const char* value;
    } const cases[] = {
        {"COMPORT", 200, "5"},  // above its section, and first
        {"MAC1", 200, "BBBBBBBBBBBB"},
        {"MAC10", 200, "AAAAAAAAAAAA"},
        {"COMSTOP", 200, "2"},
        {"COMBITS", 200, ""},   // a blank before the key
        {"COMPARI", 200, "O"},  // blanks around the '='
        {"NOTE", 200, "a b  "},
        {"NOTE", 3, "a b"},
        {"TABBED", 200, "value"},
        {"HIGH", 200, "ab"},
        {"NUL", 200, "ab"},
        {"LFONLY", 200, "lf"},
        {"EMPTY", 200, ""},
        {key100, 200, "hundred"},
        {key101, 200, ""},
        {"BARE", 200, "last"},
        {"MISSING", 200, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.substr(0, 20));
        EXPECT_EQ(Value(c.key.c_str(), c.maxLength), c.value);
    }
}

TEST_F(IniFileTest, AKeyCountsOnlyAtTheStartOfALine) {
    // Text deep inside an overlong line, wherever it falls, is no line of its
    // own; the line after it is.
    for (const size_t filler : {size_t{0}, size_t{1}, size_t{178}, size_t{179}, size_t{180},
                                size_t{357}, size_t{358}, size_t{5000}}) {
        SCOPED_TRACE(filler);
        OpenWith(Cat({"LastCommand=", std::string(filler, '#'), "COMPORT=9 MAC1=0123456789AB\r\n",
                      "COMSTOP=2\r\n"}));
        uint16_t port = 1;
        uint16_t stop = 1;
        EXPECT_FALSE(ini.ReadUnsigned("COMPORT", port));
        EXPECT_EQ(Value("MAC1"), "");
        EXPECT_TRUE(ini.ReadUnsigned("COMSTOP", stop));
        EXPECT_EQ(stop, 2);
        ini.Close();
    }
}

// Editors save text in forms of their own; each is unambiguous and must give
// the same values as the file this program writes.
TEST_F(IniFileTest, FormsOfOtherEditorsGiveTheSameValues) {
    const std::string lines[] = {"==[ SETUP FILE ]==", "[RS232]",           "COMPORT=3",
                                 "COMPARI=O",          "MAC1=0123456789AB", "NOTE=ab\xE4z"};
    const auto joined = [&](std::string_view end, std::string_view first = {}) {
        std::string text(first);
        for (const std::string& line : lines) text += Cat({line, end});
        return text;
    };
    const auto utf16 = [](const std::string& text, bool littleEndian) {
        std::string out = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
        for (const char c : text) {
            // The one non-ASCII character stands for U+00E4 and U+20AC by turns.
            const unsigned unit = static_cast<unsigned char>(c) < 0x80
                                      ? static_cast<unsigned char>(c)
                                  : littleEndian ? 0xE4u
                                                 : 0x20ACu;
            const char high = static_cast<char>(unit >> 8);
            const char low = static_cast<char>(unit & 0xFF);
            out += littleEndian ? std::string{low, high} : std::string{high, low};
        }
        return out;
    };
    const std::string plain = joined("\r\n");
    const std::string fromKey = plain.substr(plain.find("COMPORT"));
    std::string markInside = utf16(plain, true);
    markInside.insert(2 + 2 * plain.find("COMPORT"), "\xFF\xFE");
    const struct {
        const char* form;
        std::string bytes;
    } cases[] = {
        {"CR LF", plain},
        {"LF", joined("\n")},
        {"CR only", joined("\r")},
        {"UTF-8 mark", joined("\r\n", "\xEF\xBB\xBF")},
        {"UTF-8 mark before a key", Cat({"\xEF\xBB\xBF", fromKey})},
        {"UTF-16 LE", utf16(plain, true)},
        {"UTF-16 BE", utf16(joined("\r"), false)},
        {"UTF-16 LE, a mark before a key", markInside},
        {"blanks around =", "COMPORT =3\r\nCOMPARI\t=  O\r\nMAC1= \t0123456789AB\r\nNOTE = ab\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.form);
        OpenWith(c.bytes);
        uint16_t port = 0;
        char parity = 0;
        EXPECT_TRUE(ini.ReadUnsigned("COMPORT", port));
        EXPECT_EQ(port, 3);
        EXPECT_TRUE(ini.ReadChar("COMPARI", parity));
        EXPECT_EQ(parity, 'O');
        EXPECT_EQ(Value("MAC1"), "0123456789AB");
        EXPECT_EQ(Value("NOTE"), "ab");
        ini.Close();
    }
}

TEST_F(IniFileTest, NumbersConvertModuloOrClamped) {
    struct {
        const char* text;
        uint16_t asUnsigned;
        uint32_t asLong;
    } const cases[] = {
        {"7", 7, 7},
        {" 7", 7, 7},
        {"+12abc", 12, 12},
        {"x", 0, 0},
        {"70000", 4464, 70000},
        {"-1", 65535, 4294967295u},
        {"-70000", 61072, 4294897296u},
        {"123456789012", 6676, 4294967295u},
        {"4294967295", 65535, 4294967295u},
        {"4294967296", 0, 4294967295u},
        {"-4294967295", 1, 1},
        {"-4294967296", 0, 4294967295u},
    };
    std::string file;
    for (size_t i = 0; i < std::size(cases); ++i) {
        file += Cat({"N", std::to_string(i), "=", cases[i].text, "\r\n"});
    }
    OpenWith(file);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].text);
        const std::string key = Cat({"N", std::to_string(i)});
        uint16_t u = 99;
        uint32_t l = 99;
        EXPECT_TRUE(ini.ReadUnsigned(key.c_str(), u));
        EXPECT_TRUE(ini.ReadLong(key.c_str(), l));
        EXPECT_EQ(u, cases[i].asUnsigned);
        EXPECT_EQ(l, cases[i].asLong);
    }
}

TEST_F(IniFileTest, ReadersKeepTheTargetWhenTheValueIsMissingOrEmpty) {
    OpenWith("COMPARI= E\r\nEMPTY=\r\nBLANKS=  \r\n");
    char parity = 'Q';
    uint16_t u = 42;
    uint32_t l = 42;
    EXPECT_TRUE(ini.ReadChar("COMPARI", parity));
    EXPECT_EQ(parity, 'E');
    for (const char* key : {"EMPTY", "BLANKS", "MISSING"}) {
        char c = 'Q';
        EXPECT_FALSE(ini.ReadChar(key, c));
        EXPECT_FALSE(ini.ReadUnsigned(key, u));
        EXPECT_FALSE(ini.ReadLong(key, l));
        EXPECT_EQ(c, 'Q');
    }
    EXPECT_EQ(u, 42);
    EXPECT_EQ(l, 42u);
}

// A save that stops half way (a crash, a full disk) must leave the settings
// held so far: the file keeps its old bytes until the new ones are complete,
// and then it is the one file left.
TEST_F(IniFileTest, ASaveKeepsThePreviousFileUntilTheNewOneIsComplete) {
    const std::string setupPath = paths.SetupFilePath();
    ASSERT_TRUE(WriteBytes(setupPath, "OLD\r\n\r\n[S]\r\nK=1\r\n"));

    ASSERT_TRUE(ini.CreateForWriting("NEW\r\n"));
    ini.WriteSection("S");
    ini.WriteUnsigned("K", 2);
    EXPECT_EQ(ReadBytes(setupPath), "OLD\r\n\r\n[S]\r\nK=1\r\n");
    ASSERT_TRUE(ini.Close());

    EXPECT_EQ(ReadBytes(setupPath), "NEW\r\n\r\n[S]\r\nK=2\r\n");
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        EXPECT_EQ(Lower(entry.path().filename().string()), "quorvant.ini") << "left behind";
        ++files;
    }
    EXPECT_EQ(files, 1u);
    EXPECT_TRUE(sink.shown.empty());
}

TEST_F(IniFileTest, MissingEmptyOrFolderIsNoFileToRead) {
    const std::string setupPath = paths.SetupFilePath();
    EXPECT_EQ(FileSize(setupPath.c_str()), 0u);
    EXPECT_FALSE(ini.OpenForReading());

    ASSERT_TRUE(WriteBytes(setupPath, ""));
    EXPECT_EQ(FileSize(setupPath.c_str()), 0u);
    EXPECT_FALSE(ini.OpenForReading());
    EXPECT_TRUE(sink.shown.empty());

    // Nothing is open: every operation fails quietly instead of touching a file.
    char out[8] = "x";
    EXPECT_EQ(ini.FindValue("A", out, 7), 0u);
    EXPECT_FALSE(ini.WriteText("A", "b"));
    EXPECT_FALSE(ini.Close());
    EXPECT_TRUE(sink.shown.empty());

    std::filesystem::remove(setupPath);
    std::filesystem::create_directory(setupPath);
    EXPECT_EQ(FileSize(setupPath.c_str()), 0u);
    EXPECT_FALSE(ini.OpenForReading());
    EXPECT_TRUE(sink.shown.empty());
    EXPECT_FALSE(ini.CreateForWriting("H\r\n"));
    EXPECT_FALSE(ini.WriteSection("S"));
    EXPECT_EQ(sink.shown, std::vector<std::string>{kCreateFailed});
}

}  // namespace
