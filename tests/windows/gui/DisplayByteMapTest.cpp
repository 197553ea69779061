#include <gtest/gtest.h>

#include <string>

#include "DisplayByteMap.h"

namespace {

struct AppendCase {
    const char* name;
    std::string bytes;
    std::string shown;  // what the control receives: one CR per line end
};

class DisplayByteMapAppend : public testing::TestWithParam<AppendCase> {};

TEST_P(DisplayByteMapAppend, EveryLineEndBecomesOneCharacterThatRemembersItsBytes) {
    const AppendCase& c = GetParam();
    DisplayByteMap map;
    EXPECT_EQ(map.Append(c.bytes.data(), c.bytes.size()), c.shown);
    EXPECT_EQ(map.characters(), c.shown.size());
    EXPECT_EQ(map.ByteOffset(map.characters()), c.bytes.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, DisplayByteMapAppend,
                         testing::Values(AppendCase{"CrLf", "AB\r\nC", "AB\rC"},
                                         AppendCase{"LoneCr", "A\rB", "A\rB"},
                                         AppendCase{"LoneLf", "x\ny", "x\ry"},
                                         AppendCase{"CrCrLf", "a\r\r\nb", "a\r\rb"},
                                         AppendCase{"Nul", std::string("a\0b", 3),
                                                    "a\xA7"
                                                    "b"},
                                         AppendCase{"HighBytes", "\xE4\xFF", "\xE4\xFF"}),
                         [](const testing::TestParamInfo<AppendCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(DisplayByteMap, OffsetsFollowTheBytesAcrossAppends) {
    DisplayByteMap map;
    map.Append("AB\r\n", 4);
    map.Append("\n", 1);  // a line feed after an earlier CR is a line end of its own
    map.Append("CD", 2);
    ASSERT_EQ(map.characters(), 6u);  // A, B, CR, CR, C, D
    EXPECT_EQ(map.ByteOffset(2), 2u);
    EXPECT_EQ(map.ByteOffset(3), 4u);
    EXPECT_EQ(map.ByteOffset(4), 5u);
}

TEST(DisplayByteMap, CuttingInsideCrLfKeepsItsCharacterForTheLineFeed) {
    DisplayByteMap map;
    map.Append("AB\r\nCD\r\nEF", 10);
    EXPECT_EQ(map.DeleteFront(3), 2u);  // A, B; the CR LF stays as the LF
    EXPECT_EQ(map.ByteOffset(1), 1u);   // the LF left over
    EXPECT_EQ(map.ByteOffset(map.characters()), 7u);
    EXPECT_EQ(map.DeleteFront(1), 1u);
    EXPECT_EQ(map.DeleteFront(4), 3u);  // C, D and the whole CR LF
    EXPECT_EQ(map.characters(), 2u);
    EXPECT_EQ(map.DeleteFront(10), 2u);  // more than there is
    EXPECT_EQ(map.characters(), 0u);
}

}  // namespace
