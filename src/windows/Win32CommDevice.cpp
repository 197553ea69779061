#include "Win32CommDevice.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "Win32PortNames.h"

namespace {

constexpr size_t kDeviceNameCapacity = 24;

// The output queue a driver keeps until SetupQueues names another size.
constexpr uint32_t kDefaultOutputQueue = 20000;

// The line time of one piece handed to the driver. The caller drops a queue
// that has not shrunk for a second, so a piece has to end well within that,
// with room for the wait until the next status query issues the following
// one. Bytes are costed at 12 bits (start, 8 data, parity, 2 stop), the
// widest frame.
constexpr uint64_t kPieceLineMs = 250;
constexpr uint64_t kWorstBitsPerByte = 12;

// How long a read that went pending may take to hand over bytes that are
// already queued; it only runs out on a read of an empty queue.
constexpr DWORD kReadSettleMs = 200;

static_assert(static_cast<int>(ParityKind::None) == NOPARITY);
static_assert(static_cast<int>(ParityKind::Odd) == ODDPARITY);
static_assert(static_cast<int>(ParityKind::Even) == EVENPARITY);
static_assert(static_cast<int>(ParityKind::Mark) == MARKPARITY);
static_assert(static_cast<int>(ParityKind::Space) == SPACEPARITY);
static_assert(static_cast<int>(StopBitsKind::One) == ONESTOPBIT);
static_assert(static_cast<int>(StopBitsKind::OneAndHalf) == ONE5STOPBITS);
static_assert(static_cast<int>(StopBitsKind::Two) == TWOSTOPBITS);
static_assert(kModemCtsOn == MS_CTS_ON && kModemDsrOn == MS_DSR_ON);
static_assert(kModemRingOn == MS_RING_ON && kModemRlsdOn == MS_RLSD_ON);
static_assert(kPurgeTxAbort == PURGE_TXABORT && kPurgeRxAbort == PURGE_RXABORT);
static_assert(kPurgeTxClear == PURGE_TXCLEAR && kPurgeRxClear == PURGE_RXCLEAR);

}  // namespace

// ERROR_OPERATION_ABORTED is among them because an adapter pulled while a
// call runs ends it that way; a live port gives the same answer after a line
// error when the driver aborts on errors, which is why the caller confirms
// with a status query before it counts the device as gone.
bool Win32CommDevice::IsRemovalError(uint32_t error) {
    switch (error) {
        case ERROR_NOT_READY:
        case ERROR_BAD_COMMAND:
        case ERROR_ACCESS_DENIED:
        case ERROR_OPERATION_ABORTED:
        case ERROR_DEVICE_REMOVED:
        case ERROR_GEN_FAILURE:
            return true;
        default:
            return false;
    }
}

Win32CommDevice::~Win32CommDevice() {
    CloseDevice();
}

bool Win32CommDevice::OpenDevice(uint16_t port) {
    CloseDevice();
    gone = false;
    char name[kDeviceNameCapacity];
    if (!Win32PortNames().DeviceName(port, name, sizeof name)) return false;
    // Manual-reset events, as overlapped results need them.
    readEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    writeEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (readEvent == nullptr || writeEvent == nullptr) {
        ReleaseEvents();
        return false;
    }
    handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        ReleaseEvents();
        return false;
    }
    if (ring.empty()) ring.resize(kDefaultOutputQueue);
    head = queued = inFlight = 0;
    writing = false;
    // Until a rate is known a piece is as large as the queue.
    pieceBytes = static_cast<uint32_t>(ring.size());
    return true;
}

bool Win32CommDevice::IsOpen() const {
    return handle != INVALID_HANDLE_VALUE;
}

// A new size starts from an empty queue; the caller sets the sizes right
// after the open, before anything is written.
bool Win32CommDevice::SetupQueues(uint32_t inputBytes, uint32_t outputBytes) {
    if (!IsOpen() || !Check(SetupComm(handle, inputBytes, outputBytes))) return false;
    if (outputBytes != ring.size()) {
        DropOutput();
        ring.assign(outputBytes, 0);
        pieceBytes = std::min<uint32_t>(pieceBytes, std::max<uint32_t>(outputBytes, 1));
    }
    return true;
}

// The outstanding write is cancelled before the driver's purge: a driver
// that leaves writes alone on a purge (Wine's) would otherwise move the
// cancelled bytes into the room the purge made.
bool Win32CommDevice::Purge(uint32_t flags) {
    if (!IsOpen()) return false;
    if ((flags & (kPurgeTxAbort | kPurgeTxClear)) != 0) DropOutput();
    return Check(PurgeComm(handle, flags));
}

// Reads always return at once with what is queued; writes have no time
// limit, as they never hold the caller.
bool Win32CommDevice::SetImmediateTimeouts() {
    if (!IsOpen()) return false;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return Check(SetCommTimeouts(handle, &timeouts));
}

bool Win32CommDevice::ReadState() {
    DCB state{};
    state.DCBlength = sizeof state;
    if (!Check(GetCommState(handle, &state))) return false;
    lastState = state;
    haveState = true;
    NoteRate(state.BaudRate);
    return true;
}

void Win32CommDevice::NoteRate(uint32_t baud) {
    const uint64_t bytes = static_cast<uint64_t>(baud) * kPieceLineMs / (kWorstBitsPerByte * 1000);
    const uint64_t limit = ring.empty() ? 1 : ring.size();
    pieceBytes = static_cast<uint32_t>(std::clamp<uint64_t>(bytes, 1, limit));
}

bool Win32CommDevice::GetState(DeviceControl& control) {
    if (!IsOpen() || !ReadState()) return false;
    control.baudRate = lastState.BaudRate;
    control.byteSize = lastState.ByteSize;
    control.parity = static_cast<ParityKind>(lastState.Parity);
    control.stopBits = static_cast<StopBitsKind>(lastState.StopBits);
    control.parityCheck = lastState.fParity != 0;
    control.dtrEnable = lastState.fDtrControl == DTR_CONTROL_ENABLE;
    control.rtsEnable = lastState.fRtsControl == RTS_CONTROL_ENABLE;
    control.ctsFlow = lastState.fOutxCtsFlow != 0;
    control.dsrFlow = lastState.fOutxDsrFlow != 0;
    control.dsrSensitivity = lastState.fDsrSensitivity != 0;
    control.outX = lastState.fOutX != 0;
    control.inX = lastState.fInX != 0;
    control.txContinueOnXoff = lastState.fTXContinueOnXoff != 0;
    return true;
}

bool Win32CommDevice::SetState(const DeviceControl& control) {
    if (!IsOpen()) return false;
    // Without a block read since the open, the unmapped members would go to
    // the driver as zeros (no Xon/Xoff limits, no binary mode).
    if (!haveState && !ReadState()) return false;
    DCB state = lastState;
    state.BaudRate = control.baudRate;
    state.ByteSize = control.byteSize;
    state.Parity = static_cast<BYTE>(control.parity);
    state.StopBits = static_cast<BYTE>(control.stopBits);
    state.fParity = control.parityCheck;
    state.fOutxCtsFlow = control.ctsFlow;
    state.fOutxDsrFlow = control.dsrFlow;
    state.fDsrSensitivity = control.dsrSensitivity;
    state.fOutX = control.outX;
    state.fInX = control.inX;
    state.fDtrControl = control.dtrEnable ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
    state.fRtsControl = control.rtsEnable ? RTS_CONTROL_ENABLE : RTS_CONTROL_DISABLE;
    state.fTXContinueOnXoff = control.txContinueOnXoff;
    if (!Check(SetCommState(handle, &state))) return false;
    NoteRate(state.BaudRate);
    return true;
}

bool Win32CommDevice::GetModemStatus(uint32_t& modemBits) {
    if (!IsOpen()) return false;
    DWORD bits = 0;
    if (!Check(GetCommModemStatus(handle, &bits))) return false;
    modemBits = bits;
    return true;
}

bool Win32CommDevice::ClearError(CommStatus& status) {
    if (!IsOpen()) return false;
    // A write that failed is noted before the query, so that a query that
    // succeeds still has the last word on whether the device is gone.
    (void)PumpOutput();
    DWORD errors = 0;
    COMSTAT comStat{};
    if (!Check(ClearCommError(handle, &errors, &comStat))) return false;
    // The port answers: an earlier failure was a line error, not a loss.
    gone = false;
    status.errors = errors;
    status.inputQueue = comStat.cbInQue;
    status.outputQueue = queued;
    return true;
}

// Under the immediate timeouts a driver ends every read at once. Wine's does
// too when bytes are queued, but through a pending read, and with nothing
// queued its read waits for the next byte: so a pending read gets a moment
// to end and is cancelled after it, keeping whatever it had read by then.
bool Win32CommDevice::ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    bytesRead = 0;
    if (!IsOpen() || (buffer == nullptr && length != 0)) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = readEvent;
    bool cancelled = false;
    if (!ReadFile(handle, buffer, length, nullptr, &overlapped)) {
        if (GetLastError() != ERROR_IO_PENDING) return Check(FALSE);
        if (WaitForSingleObject(readEvent, kReadSettleMs) != WAIT_OBJECT_0)
            cancelled = CancelIoEx(handle, &overlapped) != 0;
    }
    DWORD count = 0;
    const BOOL ok = GetOverlappedResult(handle, &overlapped, &count, TRUE);
    bytesRead = std::min<uint32_t>(count, length);
    // The cancel above is ours, not an unplugged adapter's.
    if (!ok && cancelled && GetLastError() == ERROR_OPERATION_ABORTED) return true;
    return Check(ok);
}

bool Win32CommDevice::WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!IsOpen() || (data == nullptr && length != 0)) return false;
    if (!PumpOutput()) return false;
    const auto capacity = static_cast<uint32_t>(ring.size());
    const uint32_t taken = std::min(length, capacity - queued);
    uint32_t tail = (head + queued) % std::max<uint32_t>(capacity, 1);
    for (uint32_t copied = 0; copied < taken;) {
        const uint32_t part = std::min(taken - copied, capacity - tail);
        std::memcpy(ring.data() + tail, data + copied, part);
        copied += part;
        tail = (tail + part) % capacity;
    }
    queued += taken;
    if (!PumpOutput()) {
        // The bytes of this call that still wait go back to the caller as
        // not written; any that went out before the failure count.
        const uint32_t back = std::min(taken, queued - inFlight);
        queued -= back;
        bytesWritten = taken - back;
        return bytesWritten != 0;
    }
    bytesWritten = taken;
    return true;
}

// What counts as gone from the queue is what the driver reports written. A
// write that ends short or fails leaves the rest at the front of the queue,
// to be issued again by the next write or status query: a driver that aborts
// on line errors takes them once the status query has cleared the error, and
// a line that never takes them keeps the count standing until the caller
// drops the queue as stalled. So the count never calls sent what did not go.
bool Win32CommDevice::PumpOutput() {
    if (!IsOpen()) return true;
    for (;;) {
        if (writing) {
            if (!HasOverlappedIoCompleted(&writeOverlapped)) return true;
            DWORD done = 0;
            const BOOL ok = GetOverlappedResult(handle, &writeOverlapped, &done, FALSE);
            if (!ok && GetLastError() == ERROR_IO_INCOMPLETE) return true;
            writing = false;
            const uint32_t sent = std::min<uint32_t>(done, inFlight);
            inFlight = 0;
            head = (head + sent) % static_cast<uint32_t>(ring.size());
            queued -= sent;
            if (!ok) return Check(FALSE);
            // A success that moved nothing is tried again next time rather
            // than at once, so that the call cannot spin.
            if (sent == 0) return true;
        }
        if (queued == 0) return true;
        if (!IssuePiece()) return false;
    }
}

bool Win32CommDevice::IssuePiece() {
    const auto capacity = static_cast<uint32_t>(ring.size());
    const uint32_t piece = std::min({queued, capacity - head, pieceBytes});
    writeOverlapped = OVERLAPPED{};
    writeOverlapped.hEvent = writeEvent;
    if (!WriteFile(handle, ring.data() + head, piece, nullptr, &writeOverlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
        return Check(FALSE);
    }
    // Done at once or not: its result is taken the same way.
    writing = true;
    inFlight = piece;
    return true;
}

void Win32CommDevice::DropOutput() {
    if (writing) {
        // Fails harmlessly when the write has ended meanwhile.
        CancelIoEx(handle, &writeOverlapped);
        DWORD done = 0;
        GetOverlappedResult(handle, &writeOverlapped, &done, TRUE);
        writing = false;
    }
    head = queued = inFlight = 0;
}

void Win32CommDevice::CloseDevice() {
    if (IsOpen()) {
        DropOutput();
        CloseHandle(handle);
    }
    handle = INVALID_HANDLE_VALUE;
    haveState = false;
    ReleaseEvents();
}

void Win32CommDevice::ReleaseEvents() {
    for (HANDLE* event : {&readEvent, &writeEvent}) {
        if (*event != nullptr) CloseHandle(*event);
        *event = nullptr;
    }
}

uint32_t Win32CommDevice::TickCount() {
    return GetTickCount();
}

bool Win32CommDevice::DeviceGone() const {
    return gone;
}

bool Win32CommDevice::Check(BOOL ok) {
    if (!ok && IsRemovalError(GetLastError())) gone = true;
    return ok != 0;
}
