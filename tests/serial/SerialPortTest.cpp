#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "FakeCommDevice.h"
#include "serial/SerialPort.h"

namespace {

class SerialPortTest : public ::testing::Test {
  protected:
    // Open with the start-up settings and forget the calls that took.
    void OpenDefault() {
        ASSERT_TRUE(port.Open(1, 115200, 'E', 8, 1));
        dev.ClearCalls();
    }

    FakeCommDevice dev;
    SerialPort port{dev};
    uint8_t buf[64] = {};
};

bool SameControl(const DeviceControl& a, const DeviceControl& b) {
    return a.baudRate == b.baudRate && a.byteSize == b.byteSize && a.parity == b.parity &&
           a.stopBits == b.stopBits && a.parityCheck == b.parityCheck &&
           a.dtrEnable == b.dtrEnable && a.rtsEnable == b.rtsEnable && a.ctsFlow == b.ctsFlow &&
           a.dsrFlow == b.dsrFlow && a.dsrSensitivity == b.dsrSensitivity && a.outX == b.outX &&
           a.inX == b.inX && a.txContinueOnXoff == b.txContinueOnXoff;
}

struct LineCase {
    char parity;
    uint16_t dataBits;
    uint16_t stopBits;
    ParityKind wantParity;
    bool wantCheck;
    StopBitsKind wantStop;
    uint8_t wantByteSize;
};

TEST_F(SerialPortTest, OpenMapsLineSettingsIntoControlRecord) {
    const LineCase cases[] = {
        {'E', 8, 1, ParityKind::Even, true, StopBitsKind::One, 8},
        {'O', 7, 2, ParityKind::Odd, true, StopBitsKind::Two, 7},
        {'M', 8, 3, ParityKind::Mark, true, StopBitsKind::OneAndHalf, 8},
        {'S', 8, 0, ParityKind::Space, true, StopBitsKind::One, 8},
        {'N', 8, 9, ParityKind::None, false, StopBitsKind::One, 8},
        // Letters match exactly: lower case and strangers mean no parity bit,
        // but only 'N' turns checking off.
        {'e', 8, 1, ParityKind::None, true, StopBitsKind::One, 8},
        {'X', 8, 1, ParityKind::None, true, StopBitsKind::One, 8},
        // Only the low byte of the data bits reaches the device.
        {'E', 0x0107, 1, ParityKind::Even, true, StopBitsKind::One, 7},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "parity " << c.parity << " data " << c.dataBits << " stop " << c.stopBits);
        // A device that comes up with flow control and lines in odd states.
        dev.state.ctsFlow = dev.state.dsrFlow = dev.state.dsrSensitivity = true;
        dev.state.outX = dev.state.inX = true;
        dev.state.dtrEnable = dev.state.rtsEnable = dev.state.txContinueOnXoff = false;

        ASSERT_TRUE(port.Open(1, 57600, c.parity, c.dataBits, c.stopBits));
        const DeviceControl& set = dev.lastSet;
        EXPECT_EQ(set.baudRate, 57600u);
        EXPECT_EQ(set.byteSize, c.wantByteSize);
        EXPECT_EQ(set.parity, c.wantParity);
        EXPECT_EQ(set.parityCheck, c.wantCheck);
        EXPECT_EQ(set.stopBits, c.wantStop);
        EXPECT_FALSE(set.ctsFlow || set.dsrFlow || set.dsrSensitivity || set.outX || set.inX);
        EXPECT_TRUE(set.dtrEnable && set.rtsEnable && set.txContinueOnXoff);
    }
}

TEST_F(SerialPortTest, OpenRunsItsStepsInOrderAndReopenClosesFirst) {
    const std::vector<FakeCallRecord> openSteps = {
        {FakeCall::OpenDevice, 1, 0},
        {FakeCall::SetupQueues, 300000, 20000},
        {FakeCall::Purge, kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear, 0},
        {FakeCall::SetImmediateTimeouts, 0, 0},
        {FakeCall::GetState, 0, 0},
        {FakeCall::SetState, 0, 0},
        {FakeCall::Purge, kPurgeTxClear | kPurgeRxClear, 0},
    };
    EXPECT_TRUE(port.Open(1, 115200, 'E', 8, 1));
    EXPECT_EQ(dev.calls, openSteps);
    EXPECT_TRUE(port.IsOpen());

    dev.ClearCalls();
    EXPECT_TRUE(port.Open(1, 115200, 'E', 8, 1));
    ASSERT_FALSE(dev.calls.empty());
    EXPECT_EQ(dev.calls.front().call, FakeCall::CloseDevice);

    port.Close();
    EXPECT_FALSE(dev.IsOpen());
}

TEST_F(SerialPortTest, OpenOfAbsentPortLeavesChannelClosed) {
    EXPECT_FALSE(port.Open(7, 115200, 'E', 8, 1));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, FailedConfigurationStepStopsOpenAndLeavesDeviceOpen) {
    struct StepCase {
        FakeCall call;
        uint32_t after;  // successful calls of that kind before the failing one
        size_t callsMade;
    };
    const StepCase cases[] = {
        {FakeCall::SetupQueues, 0, 2},
        {FakeCall::Purge, 0, 3},
        {FakeCall::SetImmediateTimeouts, 0, 4},
        {FakeCall::GetState, 0, 5},
        {FakeCall::SetState, 0, 6},
        {FakeCall::Purge, 1, 7},
    };
    for (const StepCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << FakeCallName(c.call) << " after " << c.after);
        port.Close();
        dev.ClearCalls();
        dev.HealAll();
        dev.FailOnce(c.call, c.after);

        EXPECT_FALSE(port.Open(1, 115200, 'E', 8, 1));
        EXPECT_TRUE(port.IsOpen()) << "the caller closes a half-configured device";
        ASSERT_EQ(dev.calls.size(), c.callsMade);
        EXPECT_FALSE(dev.calls.back().ok);
        EXPECT_FALSE(port.DeviceGone());
    }
}

TEST_F(SerialPortTest, DestructorClosesDevice) {
    {
        SerialPort scoped(dev);
        ASSERT_TRUE(scoped.Open(1, 9600, 'N', 8, 1));
    }
    EXPECT_FALSE(dev.IsOpen());
}

TEST_F(SerialPortTest, ModemStatusWord) {
    OpenDefault();
    struct ModemCase {
        uint32_t modemBits;
        uint16_t want;
    };
    const ModemCase cases[] = {
        {0, kStatusDtr | kStatusRts},
        {kModemCtsOn, kStatusDtr | kStatusRts | kStatusCts},
        {kModemDsrOn, kStatusDtr | kStatusRts | kStatusDsr},
        {kModemRingOn, kStatusDtr | kStatusRts | kStatusRing},
        {kModemRlsdOn, kStatusDtr | kStatusRts | kStatusRlsd},
        {0xFFFFFFFF, 0x003F},  // bits 6-15 stay clear whatever the device reports
    };
    for (const ModemCase& c : cases) {
        dev.modemBits = c.modemBits;
        EXPECT_EQ(port.GetModemStatus(), c.want) << "modem bits " << c.modemBits;
        const uint16_t inputs = c.want & ~(kStatusDtr | kStatusRts);
        EXPECT_EQ(port.GetModemInputs(), inputs) << "modem bits " << c.modemBits;
    }

    dev.modemBits = kModemCtsOn;
    dev.FailOnce(FakeCall::GetModemStatus);
    EXPECT_EQ(port.GetModemStatus(), kStatusDtr | kStatusRts) << "inputs unreadable";
    dev.FailOnce(FakeCall::GetState);
    EXPECT_EQ(port.GetModemStatus(), kStatusUnreadable);
    dev.FailOnce(FakeCall::GetModemStatus);
    EXPECT_EQ(port.GetModemInputs(), 0) << "inputs unreadable";
    // The inputs alone need no control record.
    dev.FailOnce(FakeCall::GetState);
    EXPECT_EQ(port.GetModemInputs(), kStatusCts);
    port.Close();
    EXPECT_EQ(port.GetModemInputs(), 0) << "closed";
}

TEST_F(SerialPortTest, DtrAndRtsGoThroughControlRecord) {
    OpenDefault();
    const DeviceControl before = dev.state;

    EXPECT_TRUE(port.SetDtr(false));
    EXPECT_EQ(port.GetModemStatus(), kStatusRts);
    EXPECT_TRUE(port.SetRts(false));
    EXPECT_EQ(port.GetModemStatus(), 0);
    EXPECT_TRUE(port.SetDtr(true));
    EXPECT_EQ(port.GetModemStatus(), kStatusDtr);

    // Nothing but the line itself changes.
    DeviceControl expected = before;
    expected.rtsEnable = false;
    EXPECT_TRUE(SameControl(dev.state, expected));

    dev.FailOnce(FakeCall::GetState);
    EXPECT_FALSE(port.SetDtr(false));
    dev.FailOnce(FakeCall::SetState);
    EXPECT_FALSE(port.SetRts(true));
    EXPECT_EQ(port.GetModemStatus(), kStatusDtr) << "failed calls leave the lines as they were";
}

TEST_F(SerialPortTest, LineErrorEndsOneReadAndTheNextGoesOn) {
    OpenDefault();
    dev.Feed("hello");
    dev.InjectLineErrors(0x0004);

    EXPECT_EQ(port.Read(buf, 5, 0).code, ReadCode::LineErrors);
    EXPECT_EQ(dev.input.size(), 5u) << "nothing is read on a line error";
    EXPECT_EQ(port.TakeLineErrors(), 0x0004u);
    EXPECT_EQ(port.TakeLineErrors(), 0u);

    EXPECT_EQ(port.Read(buf, 5, 0), ReadResult::Ok(5u));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 5), "hello");
}

TEST_F(SerialPortTest, LineErrorEndsOneDiscardAndTheNextGoesOn) {
    OpenDefault();
    dev.Feed("hello");
    dev.InjectLineErrors(0x0002);

    EXPECT_EQ(port.DiscardInput(), -2);
    EXPECT_EQ(dev.input.size(), 5u);
    EXPECT_EQ(port.DiscardInput(), 5);
    EXPECT_TRUE(dev.input.empty());
}

TEST_F(SerialPortTest, WriteResults) {
    struct WriteCase {
        const char* what;
        std::function<void(FakeCommDevice&)> script;
        WriteResult want;
        const char* wantWritten;
    };
    const WriteCase cases[] = {
        {"all taken", [](FakeCommDevice&) {}, WriteResult::Ok, "abcde"},
        {"write call fails", [](FakeCommDevice& d) { d.FailOnce(FakeCall::WriteBytes); },
         WriteResult::Failed, ""},
        {"short write", [](FakeCommDevice& d) { d.writeLimit = 3; }, WriteResult::Short, "abc"},
        {"status query after it fails", [](FakeCommDevice& d) { d.FailOnce(FakeCall::ClearError); },
         WriteResult::StatusFailed, "abcde"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCommDevice d;
        SerialPort p(d);
        ASSERT_TRUE(p.Open(1, 115200, 'E', 8, 1));
        c.script(d);
        EXPECT_EQ(p.Write(reinterpret_cast<const uint8_t*>("abcde"), 5, 0), c.want);
        EXPECT_EQ(d.WrittenText(), c.wantWritten);
    }
}

TEST_F(SerialPortTest, WriteStoresLineErrorsWithoutActingOnThem) {
    OpenDefault();
    dev.InjectLineErrors(0x0008);
    EXPECT_EQ(port.Write(reinterpret_cast<const uint8_t*>("a"), 1, 0), WriteResult::Ok);
    EXPECT_EQ(port.TakeLineErrors(), 0x0008u);
}

TEST_F(SerialPortTest, WriteDiscardsWaitingInputOnlyForDiscardFirstOne) {
    const struct {
        uint16_t discardFirst;
        size_t wantLeft;
    } cases[] = {{0, 3}, {1, 0}, {2, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.discardFirst);
        OpenDefault();
        dev.written.clear();
        dev.Feed("old");
        EXPECT_EQ(port.Write(reinterpret_cast<const uint8_t*>("x"), 1, c.discardFirst),
                  WriteResult::Ok);
        EXPECT_EQ(dev.input.size(), c.wantLeft);
        EXPECT_EQ(dev.WrittenText(), "x");
    }
}

TEST_F(SerialPortTest, DiscardInputStopsAfterItsLimit) {
    OpenDefault();
    dev.FeedRepeated('z', 40000);
    EXPECT_EQ(port.DiscardInput(), -3);
    EXPECT_EQ(dev.delivered.size(), 30001u);
    EXPECT_EQ(dev.input.size(), 40000u - 30001u);

    dev.input.resize(30000);
    EXPECT_EQ(port.DiscardInput(), 30000) << "exactly at the limit is still a count";

    dev.FailOnce(FakeCall::ClearError);
    EXPECT_EQ(port.DiscardInput(), -1);
}

TEST_F(SerialPortTest, InputQueueCount) {
    OpenDefault();
    dev.Feed("abc");
    EXPECT_EQ(port.GetInputQueueCount(), 3u);
    dev.FailOnce(FakeCall::ClearError);
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
}

TEST_F(SerialPortTest, ReadResultCodes) {
    struct ReadCase {
        const char* what;
        std::function<void(FakeCommDevice&)> script;
        ReadResult want;
    };
    const ReadCase cases[] = {
        {"all there", [](FakeCommDevice&) {}, ReadResult::Ok(5)},
        {"status query fails", [](FakeCommDevice& d) { d.FailOnce(FakeCall::ClearError); },
         ReadResult{ReadCode::StatusFailed, 0}},
        {"read call fails",
         [](FakeCommDevice& d) {
             d.FailOnce(FakeCall::ReadBytes);
             d.failedReadCount = 2;
         },
         ReadResult{ReadCode::CallFailed, 2}},
        {"read returns fewer", [](FakeCommDevice& d) { d.readLimit = 4; },
         ReadResult{ReadCode::Short, 4}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCommDevice d;
        SerialPort p(d);
        ASSERT_TRUE(p.Open(1, 115200, 'E', 8, 1));
        d.Feed("12345");
        c.script(d);
        EXPECT_EQ(p.Read(buf, 5, 0), c.want);
    }
}

TEST_F(SerialPortTest, ReadOfNothingReturnsAtOnce) {
    OpenDefault();
    EXPECT_EQ(port.Read(buf, 0, 0), ReadResult::Ok(0u));
    EXPECT_EQ(port.Read(buf, 0, 100), ReadResult::Ok(0u));
    EXPECT_EQ(dev.Count(FakeCall::ReadBytes), 0u);
}

TEST_F(SerialPortTest, ReadTimesOutOnlyAfterTimeoutPlusGrace) {
    // Start times either side of the tick counter's wrap.
    for (uint32_t start : {0u, 0xFFFFFF80u}) {
        SCOPED_TRACE(start);
        OpenDefault();
        dev.input.clear();
        dev.Feed("12345");
        dev.now = start;
        dev.tickStep = 1;

        EXPECT_EQ(port.Read(buf, 10, 100).code, ReadCode::Timeout);
        EXPECT_EQ(dev.now - 1 - start, 181u) << "elapsed time seen by the last check";
        EXPECT_EQ(dev.input.size(), 5u) << "a timeout leaves the queue alone";
    }
}

TEST_F(SerialPortTest, ReadWaitsForBytesArrivingWithinTimeout) {
    OpenDefault();
    dev.tickStep = 10;
    dev.Feed("12345");
    dev.beforeClearError = [](FakeCommDevice& d) {
        if (d.now >= 50 && d.input.size() < 10) d.Feed("67890");
    };
    EXPECT_EQ(port.Read(buf, 10, 100), ReadResult::Ok(10u));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 10), "1234567890");
}

// The caller counted the bytes as queued; a queue that shrank before the read
// (another reader on the tty, a driver that dropped its buffer) must not keep
// it waiting for bytes that will never come.
TEST_F(SerialPortTest, ReadOfCountedBytesThatVanishedGivesUp) {
    OpenDefault();
    dev.tickStep = 1;
    size_t queries = 0;
    dev.beforeClearError = [&queries](FakeCommDevice& d) {
        // A read still waiting after many rounds gets its bytes, so that the
        // unbounded wait ends in a wrong result instead of a hung test.
        if (++queries == 100000) d.Feed("12345");
    };
    EXPECT_EQ(port.Read(buf, 5, 0).code, ReadCode::Timeout);
    EXPECT_LT(queries, 1000u);
}

// A write hands its bytes to the output queue and returns: the line's speed
// decides when they leave, not how long the caller waits. Only a full queue
// makes a write short.
TEST_F(SerialPortTest, WriteQueuesAtOnceAndIsShortOnlyWhenTheQueueIsFull) {
    ASSERT_TRUE(port.Open(1, 1200, 'E', 8, 1));
    dev.lineBytesPerSecond = 109;  // 1200 baud at 11 bits a byte
    const std::vector<uint8_t> block(15000, 'x');
    EXPECT_EQ(port.Write(block.data(), 15000, 0), WriteResult::Ok);
    EXPECT_EQ(dev.tickCalls, 1u) << "no waiting on the clock: one look after the write";
    EXPECT_EQ(port.OutputRoom(), 5000u);
    EXPECT_EQ(port.Write(block.data(), 6000, 0), WriteResult::Short);
    EXPECT_EQ(dev.OutputQueued(), 20000u);
    EXPECT_EQ(port.OutputRoom(), 0u);

    dev.now += 1000;
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_EQ(port.OutputRoom(), 109u) << "a second of the line made room";
}

// A command notes its position and learns later whether its bytes went out
// or were dropped with the queue.
TEST_F(SerialPortTest, FateOfWrittenBytesFollowsTheQueue) {
    ASSERT_TRUE(port.Open(1, 9600, 'E', 8, 1));
    dev.lineBytesPerSecond = 872;
    const std::vector<uint8_t> command(257, 0x1B);
    ASSERT_EQ(port.Write(command.data(), 257, 0), WriteResult::Ok);
    const uint64_t end = port.OutputPosition();
    EXPECT_EQ(port.FateOf(end), OutputFate::Waiting);
    dev.now += 200;
    port.GetInputQueueCount();
    EXPECT_EQ(port.FateOf(end), OutputFate::Waiting) << "174 of 257 bytes out";
    dev.now += 200;
    port.GetInputQueueCount();
    EXPECT_EQ(port.FateOf(end), OutputFate::Sent);
    EXPECT_EQ(dev.SentText(), std::string(257, '\x1B'));

    ASSERT_EQ(port.Write(command.data(), 257, 0), WriteResult::Ok);
    const uint64_t second = port.OutputPosition();
    port.Close();
    EXPECT_EQ(port.FateOf(second), OutputFate::Dropped) << "closing drops what waits";
    EXPECT_EQ(port.FateOf(end), OutputFate::Sent);
}

// A queue that moves nothing out for a second is dropped and reported once;
// a stream that adds as much per tick as the line sends is not stalled,
// though its count never shrinks.
TEST_F(SerialPortTest, OutputThatStandsStillForASecondIsDropped) {
    ASSERT_TRUE(port.Open(1, 1200, 'E', 8, 1));
    dev.lineBytesPerSecond = 100;
    const std::vector<uint8_t> block(10, 'x');
    uint32_t dropped = 0;
    port.Write(block.data(), 10, 0);
    for (int tick = 0; tick < 50; ++tick) {
        dev.now += 100;
        port.Write(block.data(), 10, 0);
        port.GetInputQueueCount();
        ASSERT_FALSE(port.TakeOutputStall(dropped)) << "tick " << tick;
    }

    dev.holdOutput = true;
    port.Write(block.data(), 10, 0);
    const uint64_t held = port.OutputPosition();
    for (int tick = 0; tick < 9; ++tick) {
        dev.now += 100;
        port.GetInputQueueCount();
        ASSERT_FALSE(port.TakeOutputStall(dropped)) << "tick " << tick;
    }
    dev.now += 100;
    port.GetInputQueueCount();
    ASSERT_TRUE(port.TakeOutputStall(dropped));
    EXPECT_EQ(dropped, 20u);
    EXPECT_EQ(dev.OutputQueued(), 0u);
    EXPECT_EQ(port.FateOf(held), OutputFate::Dropped);
    EXPECT_FALSE(port.TakeOutputStall(dropped)) << "reported once";

    // A key typed afterwards is not stuck behind the old bytes.
    dev.holdOutput = false;
    const uint8_t key = 'k';
    ASSERT_EQ(port.Write(&key, 1, 0), WriteResult::Ok);
    dev.now += 100;
    port.GetInputQueueCount();
    EXPECT_EQ(dev.SentText().back(), 'k');
}

// A driver that aborts on line errors refuses the write after a framing
// error with the same error an unplugged adapter gives. The port is alive:
// it must stay open with its lines and its waiting input, report the error,
// and take the next write.
TEST_F(SerialPortTest, AbortOnLineErrorIsNotAnUnpluggedDevice) {
    OpenDefault();
    dev.abortOnError = true;
    dev.Feed("waiting");
    dev.InjectLineErrors(0x0008);

    const uint8_t key = 'k';
    EXPECT_EQ(port.Write(&key, 1, 0), WriteResult::Failed);
    EXPECT_FALSE(port.DeviceGone());
    EXPECT_EQ(port.TakeLineErrors(), 0x0008u);
    EXPECT_EQ(port.Write(&key, 1, 0), WriteResult::Ok);
    EXPECT_EQ(dev.WrittenText(), "k");

    dev.InjectLineErrors(0x0008);
    EXPECT_EQ(port.DiscardInput(), -2) << "the status query reports the error first";
    EXPECT_EQ(port.GetInputQueueCount(), 7u);
    EXPECT_EQ(port.Read(buf, 7, 0), ReadResult::Ok(7u));
    EXPECT_FALSE(port.DeviceGone());
    EXPECT_EQ(dev.Count(FakeCall::CloseDevice), 0u);
    EXPECT_EQ(port.GetModemStatus(), kStatusDtr | kStatusRts);

    // The same refusal from a device that really went away still counts.
    dev.SetGone(true);
    EXPECT_EQ(port.Write(&key, 1, 0), WriteResult::Failed);
    EXPECT_TRUE(port.DeviceGone());
}

TEST_F(SerialPortTest, ClosedChannelResults) {
    // Never opened, and closed again after use.
    for (bool used : {false, true}) {
        SCOPED_TRACE(used);
        if (used) {
            OpenDefault();
            port.Close();
        }
        EXPECT_EQ(port.Write(reinterpret_cast<const uint8_t*>("a"), 1, 1), WriteResult::Failed);
        EXPECT_EQ(port.Read(buf, 1, 0).code, ReadCode::StatusFailed);
        EXPECT_EQ(port.GetInputQueueCount(), 0u);
        EXPECT_EQ(port.DiscardInput(), -1);
        EXPECT_EQ(port.GetModemStatus(), kStatusUnreadable);
        EXPECT_FALSE(port.SetDtr(true));
        port.Close();
        EXPECT_FALSE(port.DeviceGone());
    }
}

TEST_F(SerialPortTest, DeviceGoneUntilReopened) {
    OpenDefault();
    dev.FailOnce(FakeCall::ClearError);
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_FALSE(port.DeviceGone()) << "an ordinary failure is not an unplugged device";

    dev.Feed("abc");
    dev.SetGone(true);
    EXPECT_EQ(port.GetInputQueueCount(), 0u);
    EXPECT_TRUE(port.DeviceGone());
    EXPECT_TRUE(port.IsOpen());

    port.Close();
    EXPECT_FALSE(port.DeviceGone());
    EXPECT_FALSE(port.Open(1, 115200, 'E', 8, 1)) << "still unplugged";
    port.Close();

    dev.SetGone(false);
    EXPECT_TRUE(port.Open(1, 115200, 'E', 8, 1));
    EXPECT_FALSE(port.DeviceGone());
}

}  // namespace
