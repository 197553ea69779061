// The serial channel on the real Win32 comm calls, against a pty that Wine
// shows as a registered COM port. The far end echoes every byte.
#include <gtest/gtest.h>

#include <cstring>

#include "ComPortPeer.h"
#include "Win32CommDevice.h"
#include "serial/SerialPort.h"

namespace {

// Echoed bytes reach the input queue some time after the write returns.
constexpr DWORD kEchoWaitMs = 5000;

// A pty has no parity and always 8 data bits, and some kernels refuse a
// terminal setting that asks only for what the pty cannot do, so the line
// is opened without parity.
constexpr char kPtyParity = 'N';

class Win32Serial : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(comPort, 0) << "run through serve_com_port.py with a registered COM port";
        ASSERT_TRUE(port.Open(comPort, 115200, kPtyParity, 8, 1));
    }

    // Waits until at least count bytes are queued; returns the last count.
    uint32_t WaitQueued(uint32_t count) {
        const DWORD start = GetTickCount();
        uint32_t queued = port.GetInputQueueCount();
        while (queued < count && GetTickCount() - start < kEchoWaitMs) {
            Sleep(5);
            queued = port.GetInputQueueCount();
        }
        return queued;
    }

    // Sends the bytes and waits for their echo to be queued. Callers stop on
    // failure: a read of more than is queued would wait for ever.
    void Bounce(const uint8_t* data, uint16_t length) {
        const uint32_t before = port.GetInputQueueCount();
        ASSERT_EQ(port.Write(data, length, 0), WriteResult::Ok);
        ASSERT_EQ(WaitQueued(before + length), before + length);
    }

    void ExpectRoundTrip(const char* text) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(text);
        const auto length = static_cast<uint16_t>(std::strlen(text));
        ASSERT_NO_FATAL_FAILURE(Bounce(bytes, length));
        uint8_t back[64] = {};
        ASSERT_EQ(port.Read(back, length, 0), ReadResult::Ok(length));
        EXPECT_EQ(std::memcmp(back, bytes, length), 0);
    }

    const uint16_t comPort = com_peer::Port();
    Win32CommDevice device;
    SerialPort port{device};
};

TEST_F(Win32Serial, CarriesEveryByteValueBothWays) {
    uint8_t all[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
    // Twice: what the first read takes must leave the queue empty behind it.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_NO_FATAL_FAILURE(Bounce(all, sizeof all));
        uint8_t back[256] = {};
        ASSERT_EQ(port.Read(back, sizeof back, 0), ReadResult::Ok(sizeof back));
        EXPECT_EQ(std::memcmp(back, all, sizeof all), 0);
        EXPECT_EQ(port.GetInputQueueCount(), 0u);
        EXPECT_EQ(port.TakeLineErrors(), 0u);
    }
}

TEST_F(Win32Serial, LineSettingsReachTheDevice) {
    struct Case {
        uint32_t baud;
        uint16_t stopBits;
        StopBitsKind wantStop;
    };
    const Case cases[] = {
        {9600, 1, StopBitsKind::One},
        {57600, 2, StopBitsKind::Two},
        {19200, 0, StopBitsKind::One},
        {230400, 2, StopBitsKind::Two},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.baud);
        ASSERT_TRUE(port.Open(comPort, c.baud, kPtyParity, 8, c.stopBits));
        DeviceControl control;
        ASSERT_TRUE(device.GetState(control));
        EXPECT_EQ(control.baudRate, c.baud);
        EXPECT_EQ(control.stopBits, c.wantStop);
        EXPECT_EQ(control.byteSize, 8);
        EXPECT_FALSE(control.outX);
        EXPECT_FALSE(control.inX);
        EXPECT_FALSE(control.ctsFlow);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("after the settings"));
}

TEST_F(Win32Serial, ReadTimesOutAndLeavesShortInputQueued) {
    EXPECT_EQ(port.Read(nullptr, 0, 0).code, ReadCode::Ok);
    const uint8_t five[] = {1, 2, 3, 4, 5};
    ASSERT_NO_FATAL_FAILURE(Bounce(five, sizeof five));
    uint8_t back[10] = {};
    const DWORD start = GetTickCount();
    EXPECT_EQ(port.Read(back, 10, 100).code, ReadCode::Timeout);
    EXPECT_GT(GetTickCount() - start, 180u);
    EXPECT_EQ(port.GetInputQueueCount(), 5u);
    EXPECT_EQ(port.Read(back, 5, 100), ReadResult::Ok(5u));
    EXPECT_EQ(std::memcmp(back, five, sizeof five), 0);
}

TEST_F(Win32Serial, DiscardDropsWhatIsWaiting) {
    uint8_t block[100];
    for (int i = 0; i < 100; ++i) block[i] = static_cast<uint8_t>(i * 7);
    ASSERT_NO_FATAL_FAILURE(Bounce(block, sizeof block));
    EXPECT_EQ(port.DiscardInput(), 100);
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_EQ(port.DiscardInput(), 0);
}

TEST_F(Win32Serial, WriteDropsWaitingInputOnlyWhenAskedWithOne) {
    const uint8_t waiting[] = {'o', 'l', 'd'};
    const uint8_t fresh[] = {'n', 'e', 'w', '!'};
    struct Case {
        uint16_t discardFirst;
        uint32_t wantQueued;
    };
    const Case cases[] = {{1, 4}, {0, 7}, {2, 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.discardFirst);
        ASSERT_EQ(port.DiscardInput(), 0);
        ASSERT_NO_FATAL_FAILURE(Bounce(waiting, sizeof waiting));
        ASSERT_EQ(port.Write(fresh, sizeof fresh, c.discardFirst), WriteResult::Ok);
        EXPECT_EQ(WaitQueued(c.wantQueued), c.wantQueued);
        Sleep(50);  // nothing more may arrive
        EXPECT_EQ(port.GetInputQueueCount(), c.wantQueued);
        uint8_t back[7] = {};
        ASSERT_EQ(port.Read(back, static_cast<uint16_t>(c.wantQueued), 0),
                  ReadResult::Ok(static_cast<uint32_t>(c.wantQueued)));
        EXPECT_EQ(std::memcmp(back + c.wantQueued - 4, fresh, 4), 0);
    }
}

// Wine cannot read the modem lines of a pty (the call fails) and reports DTR
// and RTS of a pty as always enabled, so only the fallback is checked here.
TEST_F(Win32Serial, ModemStatusFallsBackToTheOutputLines) {
    uint32_t modemBits = 0;
    const bool modemReadable = device.GetModemStatus(modemBits);
    const uint16_t status = port.GetModemStatus();
    EXPECT_EQ(status & (kStatusDtr | kStatusRts), kStatusDtr | kStatusRts);
    EXPECT_EQ(status & 0xFFC0, 0);
    if (!modemReadable) {
        EXPECT_EQ(status & 0x003C, 0);
    }
    EXPECT_TRUE(port.SetDtr(false));
    EXPECT_TRUE(port.SetRts(false));
    EXPECT_NE(port.GetModemStatus(), kStatusUnreadable);
    EXPECT_TRUE(port.SetDtr(true));
    EXPECT_TRUE(port.SetRts(true));
    EXPECT_FALSE(port.DeviceGone());
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("lines"));
}

TEST_F(Win32Serial, CloseAndReopen) {
    const uint8_t stale[] = {9, 9, 9};
    ASSERT_NO_FATAL_FAILURE(Bounce(stale, sizeof stale));
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    uint8_t byte = 0;
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_EQ(port.Read(&byte, 1, 0).code, ReadCode::StatusFailed);
    EXPECT_EQ(port.Write(stale, 1, 0), WriteResult::Failed);
    EXPECT_EQ(port.GetModemStatus(), kStatusUnreadable);

    ASSERT_TRUE(port.Open(comPort, 115200, kPtyParity, 8, 1));
    // Opening purges what the line left behind.
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("again"));
}

TEST_F(Win32Serial, OpenFailsAndStaysClosedWithoutDevice) {
    EXPECT_FALSE(port.Open(250, 115200, 'E', 8, 1));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.DeviceGone());
}

// The port name leads to whatever the registered link points at when the
// port is opened: after a hang-up the link points at a new line.
TEST_F(Win32Serial, HangUpMarksDeviceGoneUntilReopened) {
    ASSERT_TRUE(com_peer::HangUp());
    // The poll cycle's first question after a hang-up, then a key typed.
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_TRUE(port.DeviceGone());
    EXPECT_TRUE(device.DeviceGone());
    const uint8_t lost[] = {'x'};
    EXPECT_EQ(port.Write(lost, sizeof lost, 0), WriteResult::Failed);

    port.Close();
    ASSERT_TRUE(port.Open(comPort, 115200, kPtyParity, 8, 1));
    EXPECT_FALSE(port.DeviceGone());
    EXPECT_FALSE(device.DeviceGone());
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("new line"));
}

}  // namespace
