#pragma once
// A scriptable serial device for the core tests: it shows what a pty cannot
// (line errors, short writes, modem lines, rejected settings, a device that
// vanishes) and a tick clock that moves only when the test says so.
//
// Typical use:
//   FakeCommDevice dev;            // COM1 present, closed
//   SerialPort port(dev);
//   port.Open(1, 115200, 'E', 8, 1);
//   dev.Feed("hello");             // arrives in the input queue
//   dev.InjectLineErrors(0x04);    // reported by the next ClearError
//   dev.FailOnce(FakeCall::WriteBytes);
//   dev.writeLimit = 3;            // short writes
//   dev.lineBytesPerSecond = 120;  // the output queue drains at 1200 baud
//   dev.holdOutput = true;         // a peer holding flow control: nothing drains
//   dev.SetGone(true);             // unplugged: every call fails
//   dev.abortOnError = true;       // a pending line error refuses reads and writes
//   dev.tickStep = 10;             // each TickCount moves the clock 10 ms
#include <array>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "serial/CommDevice.h"
#include "serial/PortNames.h"

// Port names over a set of present port numbers. Port n is named "COMn".
class FakePortNames : public PortNames {
  public:
    FakePortNames() = default;
    FakePortNames(std::initializer_list<uint16_t> ports) : present(ports) {}

    bool DeviceName(uint16_t port, char* out, size_t capacity) const override {
        if (out == nullptr || capacity == 0) return false;
        const int n = std::snprintf(out, capacity, "COM%u", static_cast<unsigned>(port));
        return n > 0 && static_cast<size_t>(n) < capacity;
    }
    bool Exists(uint16_t port) const override { return present.count(port) != 0; }

    std::set<uint16_t> present;
};

// Every device call the fake records, in the order of the CommDevice seam.
enum class FakeCall : uint8_t {
    OpenDevice,
    SetupQueues,
    Purge,
    SetImmediateTimeouts,
    GetState,
    SetState,
    GetModemStatus,
    ClearError,
    ReadBytes,
    WriteBytes,
    CloseDevice,
};
inline constexpr size_t kFakeCallKinds = static_cast<size_t>(FakeCall::CloseDevice) + 1;

// One recorded call. a and b carry the arguments worth asserting: the port for
// OpenDevice, the two queue sizes for SetupQueues, the flags for Purge, the
// length for ReadBytes and WriteBytes. ok is what
// the call returned.
struct FakeCallRecord {
    FakeCall call;
    uint32_t a = 0;
    uint32_t b = 0;
    bool ok = true;

    friend bool operator==(const FakeCallRecord& x, const FakeCallRecord& y) {
        return x.call == y.call && x.a == y.a && x.b == y.b && x.ok == y.ok;
    }
};

inline const char* FakeCallName(FakeCall call) {
    static constexpr std::array<const char*, kFakeCallKinds> kNames = {
        "OpenDevice", "SetupQueues", "Purge",          "SetImmediateTimeouts",
        "GetState",   "SetState",    "GetModemStatus", "ClearError",
        "ReadBytes",  "WriteBytes",  "CloseDevice"};
    return kNames[static_cast<size_t>(call)];
}

// Let GoogleTest print calls by name when an assertion on a call list fails.
inline void PrintTo(FakeCall call, std::ostream* os) {
    *os << FakeCallName(call);
}
inline void PrintTo(const FakeCallRecord& r, std::ostream* os) {
    *os << FakeCallName(r.call) << "(" << r.a << "," << r.b << (r.ok ? ")" : ") failed");
}

class FakeCommDevice : public CommDevice {
  public:
    static constexpr uint32_t kAlways = 0xFFFFFFFF;

    // The present ports; COM1 by default, the start-up port.
    FakeCommDevice() : names{1} {}
    explicit FakeCommDevice(std::initializer_list<uint16_t> ports) : names(ports) {}

    // ---- scripting -------------------------------------------------------

    void Feed(std::string_view bytes) { input.insert(input.end(), bytes.begin(), bytes.end()); }
    void Feed(const uint8_t* bytes, size_t length) {
        input.insert(input.end(), bytes, bytes + length);
    }
    void FeedRepeated(uint8_t byte, size_t count) { input.insert(input.end(), count, byte); }

    // Error flags the next successful ClearError reports; that call clears them.
    void InjectLineErrors(uint32_t flags) { pendingErrors |= flags; }

    // The next `times` calls of a kind fail, after `after` calls that succeed.
    void FailOnce(FakeCall call, uint32_t after = 0) { Fail(call, 1, after); }
    void FailAlways(FakeCall call, uint32_t after = 0) { Fail(call, kAlways, after); }
    void Fail(FakeCall call, uint32_t times, uint32_t after = 0) {
        failRules[Index(call)] = FailRule{after, times};
    }
    void Heal(FakeCall call) { failRules[Index(call)] = FailRule{}; }
    void HealAll() { failRules = {}; }

    // Unplugged: while gone, every call on the handle and every open fails, and
    // the first such failure makes DeviceGone() true until the next open.
    void SetGone(bool value) { gone = value; }

    size_t Count(FakeCall call) const {
        size_t n = 0;
        for (const FakeCallRecord& r : calls) n += (r.call == call) ? 1 : 0;
        return n;
    }
    // The calls without their results, for comparing a sequence.
    std::vector<FakeCall> CallKinds() const {
        std::vector<FakeCall> kinds;
        for (const FakeCallRecord& r : calls) kinds.push_back(r.call);
        return kinds;
    }
    void ClearCalls() { calls.clear(); }

    std::string WrittenText() const { return std::string(written.begin(), written.end()); }
    // What has left the output queue for the line.
    std::string SentText() const { return std::string(sent.begin(), sent.end()); }
    uint32_t OutputQueued() const { return static_cast<uint32_t>(outgoing.size()); }
    std::string DeliveredText() const { return std::string(delivered.begin(), delivered.end()); }

    // ---- observable state (tests read and set these directly) -----------

    FakePortNames names;                     // present ports; OpenDevice checks these
    std::deque<uint8_t> input;               // the driver's input queue
    std::vector<uint8_t> delivered;          // every byte ReadBytes handed out
    std::vector<uint8_t> written;            // every byte WriteBytes accepted
    std::deque<uint8_t> outgoing;            // the output queue: accepted, not yet sent
    std::vector<uint8_t> sent;               // every byte that left the output queue
    std::vector<FakeCallRecord> calls;       // every device call in order (not TickCount)
    DeviceControl state = DeviceDefaults();  // what GetState reports
    DeviceControl lastSet{};                 // the record of the last SetState call
    size_t setStateCount = 0;                // SetState calls that succeeded
    uint32_t modemBits = 0;                  // kModemCtsOn | kModemDsrOn | ...
    uint32_t pendingErrors = 0;
    uint32_t writeLimit = kAlways;  // at most this many bytes per WriteBytes
    // The output queue drains at this rate on the tick clock, as a driver's
    // does at the line's speed; 0 sends every byte at once.
    uint32_t lineBytesPerSecond = 0;
    bool holdOutput = false;       // nothing drains: a peer holding flow control
    uint32_t readLimit = kAlways;  // at most this many bytes per ReadBytes
    uint32_t failedReadCount = 0;  // bytes a failing ReadBytes reports (and consumes)
    uint16_t openPort = 0;         // port of the current or last open
    uint32_t setupInput = 0;       // queue sizes of the last SetupQueues
    uint32_t setupOutput = 0;
    bool immediateTimeouts = false;  // SetImmediateTimeouts succeeded since open
    // A driver that aborts on line errors: while an error is pending, reads
    // and writes fail with the error an unplugged adapter also gives (so
    // DeviceGone() turns true) until ClearError reports the error.
    bool abortOnError = false;
    uint32_t now = 0;       // the tick clock in milliseconds
    uint32_t tickStep = 0;  // added after each TickCount call
    size_t tickCalls = 0;
    // Runs at the start of every ClearError, e.g. to let bytes arrive while
    // a read is waiting.
    std::function<void(FakeCommDevice&)> beforeClearError;

    // What a freshly opened device reports before anyone configured it.
    static DeviceControl DeviceDefaults() {
        DeviceControl c;
        c.baudRate = 9600;
        c.byteSize = 8;
        c.parity = ParityKind::None;
        c.stopBits = StopBitsKind::One;
        return c;
    }

    // ---- CommDevice ------------------------------------------------------

    bool OpenDevice(uint16_t port) override {
        // Exclusive: a second open of an open handle is a sharing violation.
        const bool ok = !opened && !gone && names.Exists(port) && !ShouldFail(FakeCall::OpenDevice);
        if (!opened) goneSeen = false;
        if (ok) {
            opened = true;
            openPort = port;
            immediateTimeouts = false;
            outgoing.clear();
            drainedUntilMs = now;
        }
        return Record(FakeCall::OpenDevice, ok, port);
    }
    bool IsOpen() const override { return opened; }

    bool SetupQueues(uint32_t inputBytes, uint32_t outputBytes) override {
        const bool ok = Usable(FakeCall::SetupQueues);
        if (ok) {
            setupInput = inputBytes;
            setupOutput = outputBytes;
        }
        return Record(FakeCall::SetupQueues, ok, inputBytes, outputBytes);
    }

    bool Purge(uint32_t flags) override {
        const bool ok = Usable(FakeCall::Purge);
        if (ok && (flags & kPurgeRxClear) != 0) input.clear();
        if (ok && (flags & kPurgeTxClear) != 0) outgoing.clear();
        return Record(FakeCall::Purge, ok, flags);
    }

    bool SetImmediateTimeouts() override {
        const bool ok = Usable(FakeCall::SetImmediateTimeouts);
        if (ok) immediateTimeouts = true;
        return Record(FakeCall::SetImmediateTimeouts, ok);
    }

    bool GetState(DeviceControl& control) override {
        const bool ok = Usable(FakeCall::GetState);
        if (ok) control = state;
        return Record(FakeCall::GetState, ok);
    }

    bool SetState(const DeviceControl& control) override {
        const bool ok = Usable(FakeCall::SetState);
        if (ok) {
            state = control;
            lastSet = control;
            ++setStateCount;
        }
        return Record(FakeCall::SetState, ok);
    }

    bool GetModemStatus(uint32_t& bits) override {
        const bool ok = Usable(FakeCall::GetModemStatus);
        if (ok) bits = modemBits;
        return Record(FakeCall::GetModemStatus, ok);
    }

    bool ClearError(CommStatus& status) override {
        if (beforeClearError) beforeClearError(*this);
        const bool ok = Usable(FakeCall::ClearError);
        Drain();
        if (ok) {
            status.errors = pendingErrors;
            status.inputQueue = static_cast<uint32_t>(input.size());
            status.outputQueue = OutputQueued();
            pendingErrors = 0;
            goneSeen = false;
        }
        return Record(FakeCall::ClearError, ok);
    }

    bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) override {
        const bool ok = Usable(FakeCall::ReadBytes) && !Aborts();
        uint32_t n = ok ? Min(length, readLimit) : Min(length, failedReadCount);
        n = Min(n, static_cast<uint32_t>(input.size()));
        for (uint32_t i = 0; i < n; ++i) {
            buffer[i] = input.front();
            delivered.push_back(input.front());
            input.pop_front();
        }
        bytesRead = n;
        return Record(FakeCall::ReadBytes, ok, length);
    }

    bool WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) override {
        const bool ok = Usable(FakeCall::WriteBytes) && !Aborts();
        bytesWritten = 0;
        if (ok) {
            Drain();
            const uint32_t room = setupOutput > OutputQueued() ? setupOutput - OutputQueued() : 0;
            bytesWritten = Min(Min(length, writeLimit), setupOutput != 0 ? room : kAlways);
            written.insert(written.end(), data, data + bytesWritten);
            outgoing.insert(outgoing.end(), data, data + bytesWritten);
            Drain();
        }
        return Record(FakeCall::WriteBytes, ok, length);
    }

    void CloseDevice() override {
        Record(FakeCall::CloseDevice, opened);
        opened = false;
        outgoing.clear();
    }

    uint32_t TickCount() override {
        ++tickCalls;
        const uint32_t t = now;
        now += tickStep;
        return t;
    }

    bool DeviceGone() const override { return goneSeen; }

  private:
    struct FailRule {
        uint32_t skip = 0;
        uint32_t times = 0;
    };

    static size_t Index(FakeCall call) { return static_cast<size_t>(call); }
    static uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }

    bool ShouldFail(FakeCall call) {
        FailRule& rule = failRules[Index(call)];
        if (rule.times == 0) return false;
        if (rule.skip > 0) {
            --rule.skip;
            return false;
        }
        if (rule.times != kAlways) --rule.times;
        return true;
    }

    // A call on the handle: fails on a closed handle, on a vanished device and
    // when the test scripted a failure.
    bool Usable(FakeCall call) {
        if (!opened) return false;
        if (gone) {
            goneSeen = true;
            return false;
        }
        return !ShouldFail(call);
    }

    bool Aborts() {
        if (!abortOnError || pendingErrors == 0) return false;
        goneSeen = true;
        return true;
    }

    // Moves what the line has sent since the last look from the output queue.
    void Drain() {
        uint64_t budget = outgoing.size();
        if (holdOutput) {
            budget = 0;
        } else if (lineBytesPerSecond != 0) {
            budget = static_cast<uint64_t>(now - drainedUntilMs) * lineBytesPerSecond / 1000;
        }
        if (budget > outgoing.size()) budget = outgoing.size();
        if (holdOutput || lineBytesPerSecond == 0 || outgoing.empty()) {
            drainedUntilMs = now;
        } else if (budget > 0) {
            drainedUntilMs += static_cast<uint32_t>(budget * 1000 / lineBytesPerSecond);
        }
        for (uint64_t i = 0; i < budget; ++i) {
            sent.push_back(outgoing.front());
            outgoing.pop_front();
        }
    }

    bool Record(FakeCall call, bool ok, uint32_t a = 0, uint32_t b = 0) {
        calls.push_back(FakeCallRecord{call, a, b, ok});
        return ok;
    }

    bool opened = false;
    bool gone = false;
    bool goneSeen = false;
    uint32_t drainedUntilMs = 0;
    std::array<FailRule, kFakeCallKinds> failRules{};
};
