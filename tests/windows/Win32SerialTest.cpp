// The serial channel on the real Win32 comm calls, against a pty that Wine
// shows as a registered COM port. The far end echoes every byte, and stops
// reading when a test holds it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "ComPortPeer.h"
#include "Win32CommDevice.h"
#include "serial/SerialPort.h"

namespace {

// Echoed bytes reach the input queue some time after the write returns.
constexpr DWORD kEchoWaitMs = 5000;

// The device's queues, as the channel sets them up.
constexpr uint32_t kOutputQueue = 20000;
constexpr uint32_t kInputQueue = 300000;

// A write hands its bytes over and returns: it never waits for the line.
constexpr DWORD kWriteHoldLimitMs = 100;

// Bytes by their position in a stream, so that one missing or out of order
// shows.
uint8_t StreamByte(size_t position) {
    return static_cast<uint8_t>(position % 251);
}

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

    // Drops what arrives until the line has been quiet for a while: echoes
    // of bytes a held peer takes late. Keeps them in arrived when given.
    void DrainUntilQuiet(std::vector<uint8_t>* arrived = nullptr) {
        constexpr DWORD kQuietMs = 300;
        const DWORD start = GetTickCount();
        DWORD lastData = start;
        uint8_t sink[4096];
        while (GetTickCount() - lastData < kQuietMs) {
            ASSERT_LT(GetTickCount() - start, 20000u) << "the line does not fall quiet";
            const uint32_t queued = std::min<uint32_t>(port.GetInputQueueCount(), sizeof sink);
            if (queued == 0) {
                Sleep(10);
                continue;
            }
            ASSERT_EQ(port.Read(sink, static_cast<uint16_t>(queued), 0), ReadResult::Ok(queued));
            if (arrived != nullptr) arrived->insert(arrived->end(), sink, sink + queued);
            lastData = GetTickCount();
        }
    }

    // Writes the stream on from where it stands until the queue is full; the
    // peer must have stopped reading.
    void FillTheQueue() {
        std::vector<uint8_t> block(kOutputQueue);
        const DWORD start = GetTickCount();
        WriteResult result = WriteResult::Ok;
        while (result == WriteResult::Ok && GetTickCount() - start < 10000) {
            const uint64_t position = port.OutputPosition();
            for (size_t i = 0; i < block.size(); ++i) block[i] = StreamByte(position + i);
            result = port.Write(block.data(), static_cast<uint16_t>(block.size()), 0);
        }
        ASSERT_EQ(result, WriteResult::Short);
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

// A read of the device takes what is queued and never waits for more, with
// nothing queued too.
TEST_F(Win32Serial, ADeviceReadTakesWhatIsQueuedAndNeverWaitsForMore) {
    uint8_t back[64] = {};
    uint32_t got = 1;
    DWORD start = GetTickCount();
    ASSERT_TRUE(device.ReadBytes(back, sizeof back, got));
    EXPECT_EQ(got, 0u);
    EXPECT_LT(GetTickCount() - start, 1000u);

    const uint8_t five[] = {5, 4, 3, 2, 1};
    ASSERT_NO_FATAL_FAILURE(Bounce(five, sizeof five));
    start = GetTickCount();
    ASSERT_TRUE(device.ReadBytes(back, sizeof back, got));
    EXPECT_LT(GetTickCount() - start, 1000u);
    ASSERT_EQ(got, sizeof five);
    EXPECT_EQ(std::memcmp(back, five, sizeof five), 0);
    EXPECT_FALSE(device.DeviceGone());
}

// A tty shows a few kilobytes of its input at a time; the device reads it
// beside the caller, so that what the peer sent waits as one queue, counted
// whole and read back in order.
TEST_F(Win32Serial, InputBeyondWhatTheTtyShowsWaitsAsOneQueue) {
    constexpr uint32_t kSent = 100000;
    ASSERT_TRUE(com_peer::Send(kSent));
    ASSERT_EQ(WaitQueued(kSent), kSent);
    Sleep(50);  // nothing more may arrive
    EXPECT_EQ(port.GetInputQueueCount(), kSent);
    EXPECT_EQ(port.TakeLineErrors(), 0u);
    std::vector<uint8_t> back(kSent + 1);
    uint32_t got = 0;
    ASSERT_TRUE(device.ReadBytes(back.data(), static_cast<uint32_t>(back.size()), got));
    ASSERT_EQ(got, kSent);
    for (uint32_t i = 0; i < kSent; ++i) {
        ASSERT_EQ(back[i], StreamByte(i)) << "at byte " << i;
    }
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
}

// Beyond the queue's size the bytes that arrive are lost, as from a
// driver's queue: the oldest stay, and the loss is reported once, as the
// queue-overflow line error.
TEST_F(Win32Serial, OverflowKeepsTheOldestAndIsReportedOnce) {
    constexpr uint32_t kSent = kInputQueue + 20000;
    ASSERT_TRUE(com_peer::Send(kSent));
    // The peer is done when the last bytes are in the line; the thread reads
    // the few kilobytes a tty holds long before this.
    Sleep(500);
    EXPECT_EQ(port.GetInputQueueCount(), kInputQueue);
    EXPECT_EQ(port.TakeLineErrors(), static_cast<uint32_t>(CE_RXOVER));
    EXPECT_EQ(port.GetInputQueueCount(), kInputQueue);
    EXPECT_EQ(port.TakeLineErrors(), 0u);
    std::vector<uint8_t> back(kInputQueue);
    uint32_t got = 0;
    ASSERT_TRUE(device.ReadBytes(back.data(), kInputQueue, got));
    ASSERT_EQ(got, kInputQueue);
    for (uint32_t i = 0; i < kInputQueue; ++i) {
        ASSERT_EQ(back[i], StreamByte(i)) << "at byte " << i;
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("after the overflow"));
}

// A purge empties the queue and what the driver still held: nothing from
// before it comes back, and what arrives right after it is all kept (the
// thread's read, waiting across the purge, must not take it away).
TEST_F(Win32Serial, PurgeEmptiesTheQueueAndKeepsWhatFollows) {
    ASSERT_TRUE(com_peer::Send(100000));
    ASSERT_GT(port.GetInputQueueCount(), 0u);
    ASSERT_TRUE(port.PurgeInput());
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("right after the purge"));
    Sleep(100);  // nothing from before the purge may follow
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_EQ(port.TakeLineErrors(), 0u);
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

// A peer that stops reading: the line's buffers fill, then the queue. No
// write waits for it or takes more than the queue holds, and once the peer
// reads again the queue empties and every byte arrives, in order.
TEST_F(Win32Serial, WritesToAStalledPeerQueueAndReturnAtOnce) {
    ASSERT_TRUE(com_peer::Hold());
    std::vector<uint8_t> block(kOutputQueue + 10000);
    size_t sent = 0;
    DWORD slowest = 0;
    uint32_t written = 0;
    const DWORD start = GetTickCount();
    do {
        ASSERT_LT(GetTickCount() - start, 10000u) << "the queue never fills";
        for (size_t i = 0; i < block.size(); ++i) block[i] = StreamByte(sent + i);
        const DWORD before = GetTickCount();
        ASSERT_TRUE(device.WriteBytes(block.data(), static_cast<uint32_t>(block.size()), written));
        slowest = std::max(slowest, GetTickCount() - before);
        EXPECT_LE(written, kOutputQueue);
        sent += written;
    } while (written != 0);
    EXPECT_LT(slowest, kWriteHoldLimitMs);
    RecordProperty("slowest_write_ms", static_cast<int>(slowest));
    RecordProperty("bytes_taken", static_cast<int>(sent));
    CommStatus status;
    ASSERT_TRUE(device.ClearError(status));
    EXPECT_GT(status.outputQueue, 0u);
    EXPECT_LE(status.outputQueue, kOutputQueue);

    ASSERT_TRUE(com_peer::Release());
    std::vector<uint8_t> back;
    std::vector<uint8_t> chunk(65536);
    const DWORD released = GetTickCount();
    while (back.size() < sent || status.outputQueue != 0) {
        ASSERT_LT(GetTickCount() - released, 20000u)
            << back.size() << " of " << sent << " bytes back, " << status.outputQueue << " queued";
        uint32_t got = 0;
        ASSERT_TRUE(device.ReadBytes(chunk.data(), static_cast<uint32_t>(chunk.size()), got));
        back.insert(back.end(), chunk.begin(), chunk.begin() + got);
        ASSERT_TRUE(device.ClearError(status));
        if (got == 0) Sleep(1);
    }
    RecordProperty("drain_ms", static_cast<int>(GetTickCount() - released));
    ASSERT_EQ(back.size(), sent);
    for (size_t i = 0; i < sent; ++i) {
        ASSERT_EQ(back[i], StreamByte(i)) << "at byte " << i;
    }
    EXPECT_FALSE(device.DeviceGone());
}

// The channel's watch on the queue over the real calls: a peer stalled for
// more than a second has what waits dropped and reported, the queue is empty
// after it, and the line carries bytes again once the peer reads.
TEST_F(Win32Serial, AQueueStalledForASecondIsDropped) {
    ASSERT_TRUE(com_peer::Hold());
    const DWORD start = GetTickCount();
    ASSERT_NO_FATAL_FAILURE(FillTheQueue());
    uint32_t dropped = 0;
    bool stalled = false;
    while (!stalled && GetTickCount() - start < 10000) {
        Sleep(20);
        port.GetInputQueueCount();
        stalled = port.TakeOutputStall(dropped);
    }
    ASSERT_TRUE(stalled);
    const DWORD elapsed = GetTickCount() - start;
    RecordProperty("stall_reported_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 1000u);
    EXPECT_GT(dropped, 0u);
    EXPECT_LE(dropped, kOutputQueue);
    EXPECT_EQ(port.OutputRoom(), kOutputQueue);
    CommStatus status;
    ASSERT_TRUE(device.ClearError(status));
    EXPECT_EQ(status.outputQueue, 0u);
    EXPECT_FALSE(port.DeviceGone());

    // What was dropped stays dropped: the peer gets the start of the stream,
    // at most what left the queue before the drop (the driver's purge may
    // take some of that too), never the write the drop cancelled.
    const uint64_t left = port.OutputPosition() - dropped;
    ASSERT_TRUE(com_peer::Release());
    std::vector<uint8_t> arrived;
    ASSERT_NO_FATAL_FAILURE(DrainUntilQuiet(&arrived));
    RecordProperty("left_before_drop", static_cast<int>(left));
    RecordProperty("arrived_after_release", static_cast<int>(arrived.size()));
    EXPECT_LE(arrived.size(), left);
    for (size_t i = 0; i < arrived.size(); ++i) {
        ASSERT_EQ(arrived[i], StreamByte(i)) << "at byte " << i << " of " << arrived.size();
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("after the stall"));
}

// Keys typed in a burst on a reading peer: each one is taken whole at once,
// and they arrive in the order typed.
TEST_F(Win32Serial, KeysGoOutAtOnceAndInOrder) {
    constexpr int kKeys = 256;
    DWORD slowest = 0;
    for (int i = 0; i < kKeys; ++i) {
        const auto key = static_cast<uint8_t>(i);
        const DWORD before = GetTickCount();
        ASSERT_EQ(port.Write(&key, 1, 0), WriteResult::Ok) << i;
        slowest = std::max(slowest, GetTickCount() - before);
    }
    EXPECT_LT(slowest, kWriteHoldLimitMs);
    ASSERT_EQ(WaitQueued(kKeys), static_cast<uint32_t>(kKeys));
    uint8_t back[kKeys] = {};
    ASSERT_EQ(port.Read(back, kKeys, 0), ReadResult::Ok(kKeys));
    for (int i = 0; i < kKeys; ++i) EXPECT_EQ(back[i], i);
}

// The handles a few new objects get: the lowest free slots of the handle
// table, so that a handle left behind among them moves the last one on (Wine
// does not count a process's handles).
HANDLE NextFreeHandles() {
    HANDLE probes[8] = {};
    for (HANDLE& probe : probes) probe = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    for (HANDLE probe : probes) {
        if (probe != nullptr) CloseHandle(probe);
    }
    return probes[7];
}

// A close with a write outstanding cancels it before the handle goes: the
// close returns promptly, no handle or event is left behind, and the port
// opens again.
TEST_F(Win32Serial, CloseWithAWriteOutstandingLeavesNothingBehind) {
    port.Close();
    const HANDLE before = NextFreeHandles();
    ASSERT_NE(before, nullptr);
    ASSERT_TRUE(com_peer::Hold());
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(port.Open(comPort, 115200, kPtyParity, 8, 1));
        ASSERT_NO_FATAL_FAILURE(FillTheQueue());
        const DWORD closing = GetTickCount();
        port.Close();
        EXPECT_LT(GetTickCount() - closing, 1000u);
    }
    EXPECT_EQ(NextFreeHandles(), before);

    ASSERT_TRUE(com_peer::Release());
    ASSERT_TRUE(port.Open(comPort, 115200, kPtyParity, 8, 1));
    ASSERT_NO_FATAL_FAILURE(DrainUntilQuiet());
    ASSERT_NO_FATAL_FAILURE(ExpectRoundTrip("after the close"));
}

}  // namespace
