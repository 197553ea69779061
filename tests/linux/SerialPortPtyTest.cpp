// The channel over the termios device on real pty pairs: what a fake device
// cannot prove, that the kernel behaves as the channel expects.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "PtyPort.h"
#include "WaitFor.h"
#include "TermiosCommDevice.h"
#include "serial/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class SerialPortOnPty : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(port.Ok());
        ASSERT_TRUE(serial.Open(PtyPort::kPort, 115200, 'E', 8, 1));
    }

    // Puts bytes on the line and waits until the channel has them queued.
    void Receive(const uint8_t* data, size_t length) {
        ASSERT_EQ(port.pty.WriteMaster(data, length), length);
        ASSERT_TRUE(WaitFor([&] { return serial.GetInputQueueCount() >= length; }));
    }

    PtyPort port;
    TermiosCommDevice device{port.names};
    SerialPort serial{device};
};

TEST_F(SerialPortOnPty, CarriesAllByteValuesBothWays) {
    uint8_t all[256];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);

    EXPECT_EQ(serial.Write(all, sizeof(all), 0), WriteResult::Ok);
    uint8_t atMaster[256] = {};
    ASSERT_EQ(port.pty.ReadMaster(atMaster, sizeof(atMaster)), sizeof(atMaster));
    EXPECT_EQ(memcmp(atMaster, all, sizeof(all)), 0);

    Receive(all, sizeof(all));
    EXPECT_EQ(serial.GetInputQueueCount(), 256u);
    uint8_t got[256] = {};
    EXPECT_EQ(serial.Read(got, sizeof(got), 0), ReadResult::Ok(256u));
    EXPECT_EQ(memcmp(got, all, sizeof(all)), 0);
    EXPECT_EQ(serial.GetInputQueueCount(), 0u);
    EXPECT_EQ(serial.TakeLineErrors(), 0u);
}

TEST_F(SerialPortOnPty, ReadTimesOutAfterTheGraceAndLeavesWhatWasQueued) {
    const uint8_t five[5] = {'a', 'b', 'c', 'd', 'e'};
    Receive(five, sizeof(five));

    uint8_t buffer[10] = {};
    const auto start = Clock::now();
    EXPECT_EQ(serial.Read(buffer, 10, 100).code, ReadCode::Timeout);
    EXPECT_GT(MsSince(start), 180.0);
    EXPECT_EQ(serial.GetInputQueueCount(), 5u);

    const auto zeroStart = Clock::now();
    EXPECT_EQ(serial.Read(buffer, 0, 0), ReadResult::Ok(0u));
    EXPECT_LT(MsSince(zeroStart), 50);
    EXPECT_EQ(serial.Read(buffer, 5, 100), ReadResult::Ok(5u));
    EXPECT_EQ(memcmp(buffer, five, 5), 0);
}

TEST_F(SerialPortOnPty, DiscardDropsEverythingQueued) {
    // Close to what a pty's queue holds (4095 bytes).
    const std::vector<uint8_t> full(4000, 0xA5);
    Receive(full.data(), full.size());
    EXPECT_EQ(serial.DiscardInput(), 4000);
    EXPECT_EQ(serial.GetInputQueueCount(), 0u);
}

// 40000 waiting bytes: the discard drops 30001 of them and leaves the rest
// in order.
TEST_F(SerialPortOnPty, DiscardStopsAfterThirtyThousandAndOneBytes) {
    constexpr size_t kSent = 40000;
    constexpr size_t kDropped = 30001;
    std::vector<uint8_t> stream(kSent);
    for (size_t i = 0; i < kSent; ++i) stream[i] = static_cast<uint8_t>(i % 251);
    Receive(stream.data(), kSent);
    EXPECT_EQ(serial.DiscardInput(), -3);
    ASSERT_EQ(serial.GetInputQueueCount(), kSent - kDropped);
    std::vector<uint8_t> rest(kSent - kDropped);
    ASSERT_EQ(serial.Read(rest.data(), static_cast<uint16_t>(rest.size()), 0),
              ReadResult::Ok(static_cast<uint32_t>(rest.size())));
    EXPECT_TRUE(std::equal(rest.begin(), rest.end(), stream.begin() + kDropped));
}

TEST_F(SerialPortOnPty, WriteDropsWaitingInputOnlyWhenAskedTo) {
    const uint8_t waiting[10] = {};
    const uint8_t command[3] = {'A', 'T', '\r'};
    Receive(waiting, sizeof(waiting));

    EXPECT_EQ(serial.Write(command, sizeof(command), 0), WriteResult::Ok);
    EXPECT_EQ(serial.GetInputQueueCount(), 10u);
    EXPECT_EQ(serial.Write(command, sizeof(command), 1), WriteResult::Ok);
    EXPECT_EQ(serial.GetInputQueueCount(), 0u);

    uint8_t atMaster[6] = {};
    ASSERT_EQ(port.pty.ReadMaster(atMaster, sizeof(atMaster)), sizeof(atMaster));
    EXPECT_EQ(memcmp(atMaster + 3, command, 3), 0);
}

// A far end that stops reading, at a rate whose line time for the block is
// many minutes: the write returns at once, and the queue that stands still
// for a second is dropped and reported.
TEST_F(SerialPortOnPty, AStalledSlowLineQueuesAtOnceAndIsDroppedAfterASecond) {
    ASSERT_TRUE(serial.Open(PtyPort::kPort, 300, 'E', 8, 1));
    const std::vector<uint8_t> block(20000, 'x');
    uint32_t dropped = 0;
    const auto start = Clock::now();
    while (MsSince(start) < 200) {
        serial.Write(block.data(), static_cast<uint16_t>(block.size()), 0);
        ASSERT_FALSE(serial.TakeOutputStall(dropped));
    }
    EXPECT_EQ(serial.Write(block.data(), 100, 0), WriteResult::Short) << "the queue is full";
    EXPECT_TRUE(WaitFor([&] {
        serial.GetInputQueueCount();
        return serial.TakeOutputStall(dropped);
    }));
    // The channel's clock counts whole milliseconds: allow it one.
    EXPECT_GE(MsSince(start), 999.0);
    EXPECT_GE(dropped, 20000u);
    EXPECT_EQ(serial.OutputRoom(), 20000u);
}

TEST_F(SerialPortOnPty, OutputLinesShowInTheModemStatus) {
    // A pty has no modem inputs: only the two output bits can be set.
    EXPECT_EQ(serial.GetModemStatus(), kStatusDtr | kStatusRts);
    EXPECT_TRUE(serial.SetDtr(false));
    EXPECT_EQ(serial.GetModemStatus(), kStatusRts);
    EXPECT_TRUE(serial.SetRts(false));
    EXPECT_TRUE(serial.SetDtr(true));
    EXPECT_EQ(serial.GetModemStatus(), kStatusDtr);
}

TEST_F(SerialPortOnPty, ASecondChannelCannotOpenThePortInUse) {
    TermiosCommDevice otherDevice(port.names);
    SerialPort other(otherDevice);
    EXPECT_FALSE(other.Open(PtyPort::kPort, 9600, 'N', 8, 1));
    EXPECT_FALSE(other.IsOpen());

    serial.Close();
    EXPECT_TRUE(other.Open(PtyPort::kPort, 9600, 'N', 8, 1));
}

TEST_F(SerialPortOnPty, AHangUpAtTheFarEndIsReportedAsGone) {
    EXPECT_FALSE(serial.DeviceGone());
    port.pty.CloseMaster();
    EXPECT_EQ(serial.GetInputQueueCount(), 0u);
    EXPECT_TRUE(serial.DeviceGone());
    uint8_t byte = 0;
    EXPECT_EQ(serial.Read(&byte, 1, 0).code, ReadCode::StatusFailed);
    EXPECT_EQ(serial.Write(&byte, 1, 0), WriteResult::Failed);
}

TEST_F(SerialPortOnPty, AClosedChannelAnswersWithItsFailureCodes) {
    serial.Close();
    uint8_t byte = 'x';
    EXPECT_EQ(serial.Write(&byte, 1, 0), WriteResult::Failed);
    EXPECT_EQ(serial.Read(&byte, 1, 0).code, ReadCode::StatusFailed);
    EXPECT_EQ(serial.GetInputQueueCount(), 0u);
    EXPECT_EQ(serial.GetModemStatus(), kStatusUnreadable);
}

TEST_F(SerialPortOnPty, OpenOfAPortWithoutADeviceFails) {
    ScopedPortLink dangling(port.directory.Path(), 7, port.directory.Path() + "unplugged");
    ASSERT_TRUE(dangling.Ok());
    // 7 names a link to nothing, 200 names nothing at all.
    for (const uint16_t number : {7, 200}) {
        EXPECT_FALSE(serial.Open(number, 115200, 'E', 8, 1)) << number;
        EXPECT_FALSE(serial.IsOpen());
    }
}

}  // namespace
