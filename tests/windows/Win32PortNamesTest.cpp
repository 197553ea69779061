#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ComPortPeer.h"
#include "Win32CommDevice.h"
#include "Win32PortNames.h"
#include "serial/PortDiscovery.h"

namespace {

TEST(Win32PortNames, DeviceNameUsesTheDevicePathAndFailsWhenItDoesNotFit) {
    const Win32PortNames names;
    char out[16];
    ASSERT_TRUE(names.DeviceName(1, out, sizeof out));
    EXPECT_STREQ(out, "\\\\.\\COM1");
    ASSERT_TRUE(names.DeviceName(65535, out, sizeof out));
    EXPECT_STREQ(out, "\\\\.\\COM65535");
    // "\\.\COM20" is 8 characters: no room for the terminator in 8.
    EXPECT_FALSE(names.DeviceName(20, out, 8));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(names.DeviceName(20, nullptr, 0));
}

class RegisteredPortNames : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(port, 0) << "run through serve_com_port.py with a registered COM port";
    }

    // The list text from the port's entry on; each entry is 4 characters.
    std::string EntryOf(uint16_t n) {
        char list[kPortListCapacity];
        EXPECT_EQ(BuildPortList(names, 0, list, sizeof list), 0);
        return std::string(list + (n - 1) * 4, 4);
    }

    const uint16_t port = com_peer::Port();
    const Win32PortNames names;
};

TEST_F(RegisteredPortNames, RegisteredPortExistsAndUnregisteredDoesNot) {
    EXPECT_TRUE(names.Exists(port));
    EXPECT_FALSE(names.Exists(250));
    EXPECT_FALSE(names.Exists(0));
    char expected[8];
    snprintf(expected, sizeof expected, "%03u ", static_cast<unsigned>(port));
    EXPECT_EQ(EntryOf(port), expected);
    EXPECT_EQ(EntryOf(250), "___ ");
}

// Probing asks the device table and never opens the port, so a port that is
// busy is listed all the same.
TEST_F(RegisteredPortNames, PortHeldOpenIsStillListed) {
    Win32CommDevice holder;
    ASSERT_TRUE(holder.OpenDevice(port));
    EXPECT_TRUE(names.Exists(port));
    char expected[8];
    snprintf(expected, sizeof expected, "%03u ", static_cast<unsigned>(port));
    EXPECT_EQ(EntryOf(port), expected);
}

}  // namespace
