#include <gtest/gtest.h>

#include <string>

#include "FakeCommDevice.h"
#include "serial/PortDiscovery.h"

namespace {

const std::string kTail = " = available COM ports ";

std::string Build(const PortNames& names, uint8_t blink) {
    char text[kPortListCapacity];
    EXPECT_EQ(BuildPortList(names, blink, text, sizeof text), 0);
    return text;
}

std::string Repeat(const std::string& piece, size_t times) {
    std::string s;
    for (size_t i = 0; i < times; ++i) s += piece;
    return s;
}

TEST(PortDiscovery, ProbeReportsPresence) {
    const FakePortNames names{3};
    EXPECT_EQ(ProbePort(names, 3), 1);
    EXPECT_EQ(ProbePort(names, 4), 0);
}

TEST(PortDiscovery, NoPortsGivesOnlyAbsentEntries) {
    const FakePortNames none;
    EXPECT_EQ(Build(none, 0), Repeat("___ ", 254) + kTail + " ");
}

TEST(PortDiscovery, PresentPortsStandInPortOrderAndNothingAbove254) {
    const FakePortNames names{1, 3, 10, 254, 255, 300};
    const std::string text = Build(names, 1);

    ASSERT_EQ(text.size(), kPortListLength);
    EXPECT_EQ(text.substr(0, 16), "001 ___ 003 ___ ");
    EXPECT_EQ(text.substr(9 * 4, 8), "010 ___ ");
    EXPECT_EQ(text.substr(253 * 4, 4), "254 ");
    EXPECT_EQ(text.substr(254 * 4), kTail + "_");
    EXPECT_EQ(text.find("255"), std::string::npos);
    EXPECT_EQ(text.find("300"), std::string::npos);
}

TEST(PortDiscovery, RebuildsDifferOnlyInTheMarker) {
    const FakePortNames names{2, 7};
    const std::string odd = Build(names, 1);
    const std::string even = Build(names, 2);
    EXPECT_EQ(odd.back(), '_');
    EXPECT_EQ(even.back(), ' ');
    EXPECT_EQ(odd.substr(0, odd.size() - 1), even.substr(0, even.size() - 1));
    EXPECT_EQ(Build(names, 255).back(), '_');
}

TEST(PortDiscovery, TooSmallBufferGivesEmptyTextAndFailure) {
    const FakePortNames names{1};
    char text[kPortListLength];  // one short: no room for the terminator
    text[0] = 'x';
    EXPECT_EQ(BuildPortList(names, 0, text, sizeof text), -1);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(BuildPortList(names, 0, nullptr, 0), -1);
}

}  // namespace
