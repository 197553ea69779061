#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
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

// Names that know what stands behind some of their ports.
class DescribedPortNames : public FakePortNames {
  public:
    using FakePortNames::FakePortNames;
    bool Describe(uint16_t port, char* out, size_t capacity) const override {
        ++describeCalls;
        auto it = descriptions.find(port);
        if (it == descriptions.end()) return false;
        std::snprintf(out, capacity, "%s", it->second.c_str());
        return true;
    }
    bool Withheld(uint16_t port) const override { return withheld.count(port) != 0; }
    std::map<uint16_t, std::string> descriptions;
    std::set<uint16_t> withheld;
    mutable int describeCalls = 0;
};

std::string Hint(const PortNames& names, size_t capacity = kPortHintCapacity) {
    const std::string list = Build(names, 0);
    std::string out(capacity, '#');
    BuildPortHint(names, list.c_str(), out.data(), capacity);
    return out.c_str();
}

TEST(PortHint, OneLinePerPresentPortThatCanBeDescribed) {
    DescribedPortNames names{1, 33, 34, 200};
    names.descriptions = {{33, "/dev/ttyUSB0 (usb-Maker_Adapter_A1-if00-port0)"},
                          {34, "/dev/ttyUSB1"},
                          {200, "/dev/pts/4"},
                          {35, "/dev/ttyUSB2"}};  // described, but not present
    EXPECT_EQ(Hint(names),
              "COM33 = /dev/ttyUSB0 (usb-Maker_Adapter_A1-if00-port0)\n"
              "COM34 = /dev/ttyUSB1\nCOM200 = /dev/pts/4");
    // Only the ports the list shows are asked about.
    EXPECT_EQ(names.describeCalls, 4);

    const FakePortNames plain{1, 2};
    EXPECT_EQ(Hint(plain), "");

    // A withheld port (the console) is absent from the list, yet described.
    DescribedPortNames console{34};
    console.withheld = {1};
    console.descriptions = {{1, "/dev/ttyS0 (console)"}, {34, "/dev/ttyUSB1"}};
    EXPECT_EQ(Build(console, 0).substr(0, 4), "___ ");
    EXPECT_EQ(Hint(console), "COM1 = /dev/ttyS0 (console)\nCOM34 = /dev/ttyUSB1");
}

TEST(PortHint, LinesThatDoNotFitAreLeftOutAndMarked) {
    DescribedPortNames names{33, 34};
    names.descriptions = {{33, std::string(30, 'a')}, {34, std::string(30, 'b')}};
    EXPECT_EQ(Hint(names, 50), "COM33 = " + std::string(30, 'a') + "\n...");
    EXPECT_EQ(Hint(names, 20), "...");
    EXPECT_EQ(Hint(names, 3), "");
}

}  // namespace
