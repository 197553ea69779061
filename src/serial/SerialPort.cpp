#include "serial/SerialPort.h"

namespace {

// Opening drops whatever a previous user left in flight, in both directions.
constexpr uint32_t kPurgeEverything = kPurgeTxAbort | kPurgeRxAbort | kPurgeTxClear | kPurgeRxClear;
// After the new line settings are in force, drop what arrived under the old ones.
constexpr uint32_t kPurgeQueues = kPurgeTxClear | kPurgeRxClear;
constexpr uint32_t kPurgeInput = kPurgeRxAbort | kPurgeRxClear;

// DiscardInput reads one byte per call; a line that keeps sending must not
// hold the thread for ever.
constexpr int32_t kDiscardLimit = 30000;
constexpr int32_t kDiscardStatusFailed = -1;
constexpr int32_t kDiscardLineErrors = -2;
constexpr int32_t kDiscardTooMany = -3;

// Grace added to a read timeout so that a tick counter with a coarse step
// cannot end the wait early. A read without a timeout waits this long too:
// its caller counted the bytes as queued, so when they are not there by then
// the queue shrank behind its back (another reader on the tty, a driver that
// dropped its buffer) and waiting longer would only hold the thread.
constexpr uint32_t kReadGraceMs = 80;

// A queue that holds bytes and has not moved one out for this long belongs
// to a peer holding flow control or a stuck adapter: what waits is dropped,
// so that a key typed afterwards is not stuck behind it for ever.
constexpr uint32_t kOutputStallMs = 1000;
constexpr uint32_t kPurgeOutput = kPurgeTxAbort | kPurgeTxClear;

ParityKind ParityFor(char letter) {
    switch (letter) {
        case 'E':
            return ParityKind::Even;
        case 'O':
            return ParityKind::Odd;
        case 'M':
            return ParityKind::Mark;
        case 'S':
            return ParityKind::Space;
        default:
            return ParityKind::None;
    }
}

StopBitsKind StopBitsFor(uint16_t stopBits) {
    switch (stopBits) {
        case 2:
            return StopBitsKind::Two;
        case 3:
            return StopBitsKind::OneAndHalf;
        default:
            return StopBitsKind::One;
    }
}

// Only the line members change; everything else stays as the device reported
// it, so a driver's own defaults (error and xon characters, limits) survive.
void ApplyLine(DeviceControl& c, uint32_t baud, char parity, uint16_t dataBits, uint16_t stopBits) {
    c.baudRate = baud;
    c.byteSize = static_cast<uint8_t>(dataBits & 0xFF);
    c.parity = ParityFor(parity);
    c.stopBits = StopBitsFor(stopBits);
    // Only an explicit 'N' turns checking off; a stray letter from a
    // hand-edited setup file sends no parity bit but keeps checking on.
    c.parityCheck = parity != 'N';
    c.ctsFlow = false;
    c.dsrFlow = false;
    c.dsrSensitivity = false;
    c.outX = false;
    c.inX = false;
    c.dtrEnable = true;
    c.rtsEnable = true;
    c.txContinueOnXoff = true;
}

uint16_t ModemInputBits(uint32_t modemBits) {
    uint16_t word = 0;
    if ((modemBits & kModemCtsOn) != 0) word |= kStatusCts;
    if ((modemBits & kModemDsrOn) != 0) word |= kStatusDsr;
    if ((modemBits & kModemRingOn) != 0) word |= kStatusRing;
    if ((modemBits & kModemRlsdOn) != 0) word |= kStatusRlsd;
    return word;
}

}  // namespace

SerialPort::SerialPort(CommDevice& commDevice) : device(commDevice) {}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(uint16_t port, uint32_t baud, char parity, uint16_t dataBits,
                      uint16_t stopBits) {
    Close();
    if (!device.OpenDevice(port)) return false;
    // From here on the device stays open on failure: the caller closes it, so
    // a failure needs no status query to tell a line error from a loss.
    if (!device.SetupQueues(kInputQueueBytes, kOutputQueueBytes) ||
        !device.Purge(kPurgeEverything) || !device.SetImmediateTimeouts()) {
        TakeDeviceWord();
        return false;
    }
    DeviceControl control;
    if (!device.GetState(control)) {
        TakeDeviceWord();
        return false;
    }
    ApplyLine(control, baud, parity, dataBits, stopBits);
    if (!device.SetState(control) || !device.Purge(kPurgeQueues)) {
        TakeDeviceWord();
        return false;
    }
    return true;
}

void SerialPort::Close() {
    if (device.IsOpen()) device.CloseDevice();
    gone = false;
    // Whatever still waited to go out went with the device.
    DropOutput();
}

uint16_t SerialPort::GetModemStatus() {
    DeviceControl control;
    if (!device.IsOpen() || !device.GetState(control)) {
        NoteFailure();
        return kStatusUnreadable;
    }
    uint16_t word = 0;
    if (control.dtrEnable) word |= kStatusDtr;
    if (control.rtsEnable) word |= kStatusRts;
    uint32_t modemBits = 0;
    if (!device.GetModemStatus(modemBits)) {
        NoteFailure();
        return word;
    }
    return static_cast<uint16_t>(word | ModemInputBits(modemBits));
}

uint16_t SerialPort::GetModemInputs() {
    uint32_t modemBits = 0;
    if (!device.IsOpen()) return 0;
    if (!device.GetModemStatus(modemBits)) {
        NoteFailure();
        return 0;
    }
    return ModemInputBits(modemBits);
}

bool SerialPort::SetDtr(bool on) {
    return SetControlLine(&DeviceControl::dtrEnable, on);
}

bool SerialPort::SetRts(bool on) {
    return SetControlLine(&DeviceControl::rtsEnable, on);
}

// The lines live in the control record rather than behind separate line calls,
// so that GetModemStatus reads back exactly what was set here.
bool SerialPort::SetControlLine(bool DeviceControl::*line, bool on) {
    DeviceControl control;
    if (!device.IsOpen() || !device.GetState(control)) {
        NoteFailure();
        return false;
    }
    control.*line = on;
    if (!device.SetState(control)) {
        NoteFailure();
        return false;
    }
    return true;
}

WriteResult SerialPort::Write(const uint8_t* data, uint16_t length, uint16_t discardFirst) {
    // Only 1 asks for a discard: callers pass other values meaning "keep".
    if (discardFirst == 1) (void)DiscardInput();
    uint32_t written = 0;
    if (!device.IsOpen() || (data == nullptr && length != 0) ||
        !device.WriteBytes(data, length, written)) {
        NoteFailure();
        return WriteResult::Failed;
    }
    if (written > length) written = length;
    acceptedBytes += written;
    outputQueued += written;
    if (written != length) return WriteResult::Short;
    CommStatus status;
    return QueryStatus(status) ? WriteResult::Ok : WriteResult::StatusFailed;
}

uint32_t SerialPort::OutputRoom() const {
    if (!device.IsOpen()) return 0;
    return outputQueued < kOutputQueueBytes ? kOutputQueueBytes - outputQueued : 0;
}

OutputFate SerialPort::FateOf(uint64_t position) const {
    if (position > dropStart && position <= dropEnd) return OutputFate::Dropped;
    return position <= leftPosition ? OutputFate::Sent : OutputFate::Waiting;
}

bool SerialPort::TakeOutputStall(uint32_t& dropped) {
    dropped = stallDropped;
    const bool was = stalled;
    stalled = false;
    stallDropped = 0;
    return was;
}

// Progress is bytes leaving the queue, not a smaller count: a stream that
// adds a block each tick as fast as the line sends keeps the count level.
// The clock is read only while bytes wait, so an idle line costs nothing.
void SerialPort::WatchOutput(uint32_t outputQueue) {
    const uint64_t left = acceptedBytes > outputQueue ? acceptedBytes - outputQueue : 0;
    const bool moved = left > leftPosition;
    if (moved) leftPosition = left;
    outputQueued = outputQueue;
    if (outputQueue == 0) {
        outputIdle = true;
        return;
    }
    const uint32_t now = device.TickCount();
    if (moved || outputIdle) {
        lastOutputMoveMs = now;
        outputIdle = false;
        return;
    }
    // Unsigned difference: the tick counter's wrap does no harm.
    if (now - lastOutputMoveMs < kOutputStallMs) return;
    if (!device.Purge(kPurgeOutput)) {
        NoteFailure();
        return;
    }
    stallDropped += outputQueue;
    stalled = true;
    DropOutput();
}

void SerialPort::DropOutput() {
    if (acceptedBytes > leftPosition) {
        dropStart = leftPosition;
        dropEnd = acceptedBytes;
    }
    leftPosition = acceptedBytes;
    outputQueued = 0;
    outputIdle = true;
}

int32_t SerialPort::DiscardInput() {
    int32_t dropped = 0;
    for (;;) {
        CommStatus status;
        if (!QueryStatus(status)) return kDiscardStatusFailed;
        if (lineErrors != 0) return kDiscardLineErrors;
        if (status.inputQueue == 0) return dropped;
        uint8_t scratch = 0;
        uint32_t got = 0;
        if (!device.ReadBytes(&scratch, 1, got)) NoteFailure();
        ++dropped;
        if (dropped > kDiscardLimit) return kDiscardTooMany;
    }
}

bool SerialPort::PurgeInput() {
    if (!device.IsOpen() || !device.Purge(kPurgeInput)) {
        NoteFailure();
        return false;
    }
    return true;
}

uint32_t SerialPort::GetInputQueueCount() {
    CommStatus status;
    return QueryStatus(status) ? status.inputQueue : 0;
}

uint32_t SerialPort::TakeLineErrors() {
    const uint32_t errors = lineErrors;
    lineErrors = 0;
    return errors;
}

ReadResult SerialPort::Read(uint8_t* buffer, uint16_t length, uint16_t timeoutMs) {
    if (buffer == nullptr && length != 0) return ReadResult{ReadCode::CallFailed, 0};
    const uint32_t start = device.TickCount();
    const uint32_t limitMs = static_cast<uint32_t>(timeoutMs) + kReadGraceMs;
    for (;;) {
        CommStatus status;
        if (!QueryStatus(status)) return ReadResult{ReadCode::StatusFailed, 0};
        if (lineErrors != 0) return ReadResult{ReadCode::LineErrors, 0};
        if (status.inputQueue >= length) {
            if (length == 0) return ReadResult::Ok(0);
            uint32_t got = 0;
            const bool ok = device.ReadBytes(buffer, length, got);
            // Never claim more than the buffer holds, whatever the driver says.
            if (got > length) got = length;
            if (!ok) {
                NoteFailure();
                return ReadResult{ReadCode::CallFailed, got};
            }
            return ReadResult{got < length ? ReadCode::Short : ReadCode::Ok, got};
        }
        // Unsigned difference: the tick counter's wrap does no harm.
        if (device.TickCount() - start > limitMs) return ReadResult{ReadCode::Timeout, 0};
    }
}

bool SerialPort::IsOpen() const {
    return device.IsOpen();
}

bool SerialPort::DeviceGone() const {
    return gone;
}

// Every status query stores the device's error flags, as the device clears
// them when it reports them; a failed query leaves the last word in place.
bool SerialPort::QueryStatus(CommStatus& status) {
    if (!device.IsOpen() || !device.ClearError(status)) {
        TakeDeviceWord();
        return false;
    }
    lineErrors = status.errors;
    WatchOutput(status.outputQueue);
    return true;
}

// A failing call on an open device may mean the device itself went away; the
// poll cycle needs to know, because a vanished adapter otherwise looks like a
// silent, healthy port and would never be re-opened. But a driver that aborts
// on line errors refuses every read and write with the same error an unplugged
// adapter gives, until its error state is cleared; counting that as a loss
// would re-open the port, drop DTR and RTS and lose the waiting input for one
// framing error. The status query clears the error and tells the two apart:
// only a device that cannot even report its status is gone.
void SerialPort::NoteFailure() {
    if (!device.IsOpen()) return;
    CommStatus status;
    if (device.ClearError(status)) {
        lineErrors = status.errors;
        return;
    }
    TakeDeviceWord();
}

void SerialPort::TakeDeviceWord() {
    if (device.IsOpen() && device.DeviceGone()) gone = true;
}
