#include "Win32CommDevice.h"

#include <algorithm>
#include <chrono>
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

// The input queue a driver keeps until SetupQueues names another size.
constexpr uint32_t kDefaultInputQueue = 4096;

// One read of the input thread asks for this much at most: even at
// 4,000,000 baud the line needs about 80 ms to fill it, so a read of a
// steady stream ends by its time limit below.
constexpr uint32_t kReadChunkBytes = 32768;

// The input thread's read waits for its first byte, then ends once the line
// has paused this long, or at the latest after the total time, with what it
// has. Both are needed: a read that returned at once with nothing would
// spin the thread on an idle line, one without a total limit would hold a
// steady stream until its buffer is full. (Wine keeps to this pair; the
// pair "return what is there, else wait up to N ms for the first byte",
// both ReadInterval and ReadTotalMultiplier at their maximum, makes its
// overlapped reads wait until their buffer is full.)
constexpr DWORD kReadIntervalMs = 10;
constexpr DWORD kReadTotalMs = 50;

// How long a purge of the input waits for the input thread to do it; the
// thread only has to end its outstanding read first.
constexpr auto kPurgeWait = std::chrono::seconds(2);

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
    wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (readEvent == nullptr || writeEvent == nullptr || wakeEvent == nullptr) {
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
    // The handle may come with any timeouts a program before left on the
    // port; the thread's first read needs its own.
    if (!ApplyReadTimeouts()) {
        CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        ReleaseEvents();
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(inputLock);
        if (input.Capacity() == 0) input.Reset(kDefaultInputQueue);
        input.Clear();
        overflowed = false;
        purgesAsked = purgesDone = 0;
        purgeFlags = 0;
        readError = 0;
        stopping = false;
    }
    readChunk.resize(kReadChunkBytes);
    inputThread = std::thread([this] { ServeInput(); });
    return true;
}

bool Win32CommDevice::IsOpen() const {
    return handle != INVALID_HANDLE_VALUE;
}

// A new size starts from an empty queue; the caller sets the sizes right
// after the open, before anything is written.
bool Win32CommDevice::SetupQueues(uint32_t inputBytes, uint32_t outputBytes) {
    if (!IsOpen() || !Check(SetupComm(handle, inputBytes, outputBytes))) return false;
    {
        std::lock_guard<std::mutex> guard(inputLock);
        if (inputBytes != input.Capacity()) input.Reset(inputBytes);
    }
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
    const uint32_t outputFlags = flags & (kPurgeTxAbort | kPurgeTxClear);
    const uint32_t inputFlags = flags & (kPurgeRxAbort | kPurgeRxClear);
    bool ok = true;
    if (outputFlags != 0 || inputFlags == 0) {
        if (outputFlags != 0) DropOutput();
        ok = Check(PurgeComm(handle, outputFlags));
    }
    if (inputFlags != 0) ok = PurgeInput(inputFlags) && ok;
    return ok;
}

bool Win32CommDevice::PurgeInput(uint32_t flags) {
    std::unique_lock<std::mutex> guard(inputLock);
    const uint64_t ticket = ++purgesAsked;
    purgeFlags |= flags;
    guard.unlock();
    SetEvent(wakeEvent);
    guard.lock();
    if (!purged.wait_for(guard, kPurgeWait, [&] { return purgesDone >= ticket; })) {
        // The thread still owes the purge and drops what it reads until it
        // has done it; what the caller sees is emptied now.
        input.Clear();
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    const BOOL ok = purgeOk;
    const DWORD error = purgeError;
    guard.unlock();
    SetLastError(error);
    return Check(ok);
}

// The caller's reads take from the input queue and so return at once with
// what is queued, whatever the handle's timeouts; those are the input
// thread's.
bool Win32CommDevice::SetImmediateTimeouts() {
    return IsOpen() && ApplyReadTimeouts();
}

// Writes have no time limit, as they never hold the caller.
bool Win32CommDevice::ApplyReadTimeouts() {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = kReadIntervalMs;
    timeouts.ReadTotalTimeoutConstant = kReadTotalMs;
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
    bool resume = false;
    {
        std::lock_guard<std::mutex> guard(inputLock);
        if (overflowed) errors |= CE_RXOVER;
        overflowed = false;
        status.inputQueue = input.Size();
        resume = readError != 0;
        readError = 0;
    }
    // The query cleared what made the thread's read fail (a driver that
    // aborts on line errors refuses reads until then).
    if (resume) SetEvent(wakeEvent);
    status.errors = errors;
    status.outputQueue = queued;
    return true;
}

bool Win32CommDevice::ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    bytesRead = 0;
    if (!IsOpen() || (buffer == nullptr && length != 0)) return false;
    std::lock_guard<std::mutex> guard(inputLock);
    bytesRead = input.Take(buffer, length);
    return true;
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
        StopInput();
        DropOutput();
        CloseHandle(handle);
    }
    handle = INVALID_HANDLE_VALUE;
    haveState = false;
    ReleaseEvents();
}

void Win32CommDevice::ReleaseEvents() {
    for (HANDLE* event : {&readEvent, &writeEvent, &wakeEvent}) {
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

// --- the input thread ------------------------------------------------------

void Win32CommDevice::StopInput() {
    if (!inputThread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(inputLock);
        stopping = true;
    }
    SetEvent(wakeEvent);
    inputThread.join();
}

void Win32CommDevice::ServeInput() {
    for (;;) {
        bool purge = false;
        bool failed = false;
        {
            std::lock_guard<std::mutex> guard(inputLock);
            if (stopping) return;
            purge = purgesDone != purgesAsked;
            failed = readError != 0;
        }
        if (purge) {
            DoPurge();
        } else if (failed) {
            Idle(INFINITE);
        } else {
            ReadOnce();
        }
    }
}

// A request wakes the thread while its read waits: the read is cancelled
// and what it had read by then is kept, unless a purge asked for takes it.
void Win32CommDevice::ReadOnce() {
    readOverlapped = OVERLAPPED{};
    readOverlapped.hEvent = readEvent;
    const auto length = static_cast<DWORD>(readChunk.size());
    bool waited = false;
    bool cancelled = false;
    if (!ReadFile(handle, readChunk.data(), length, nullptr, &readOverlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            if (error == ERROR_TIMEOUT) {
                Idle(kReadTotalMs);
            } else {
                std::lock_guard<std::mutex> guard(inputLock);
                readError = error;
            }
            return;
        }
        waited = true;
        const HANDLE events[2] = {readEvent, wakeEvent};
        if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
            // Fails harmlessly when the read has ended meanwhile.
            cancelled = CancelIoEx(handle, &readOverlapped) != 0;
        }
    }
    DWORD count = 0;
    const BOOL ok = GetOverlappedResult(handle, &readOverlapped, &count, TRUE);
    const DWORD error = ok ? 0 : GetLastError();
    TakeArrived(readChunk.data(), std::min<DWORD>(count, length));
    if (count != 0) return;
    // A read that ran out of time with nothing is the idle line; Wine calls
    // it a failure, Windows a success with no bytes.
    if (ok || error == ERROR_TIMEOUT || (cancelled && error == ERROR_OPERATION_ABORTED)) {
        // A driver that ends an empty read at once would spin the thread.
        if (!waited) Idle(kReadTotalMs);
        return;
    }
    std::lock_guard<std::mutex> guard(inputLock);
    readError = error;
}

void Win32CommDevice::TakeArrived(const uint8_t* data, uint32_t length) {
    if (length == 0) return;
    std::lock_guard<std::mutex> guard(inputLock);
    // Read before a purge that is asked for: they go with it.
    if (purgesDone != purgesAsked) return;
    if (input.Push(data, length) < length) overflowed = true;
}

// No read of the thread is outstanding here, so none can bring back bytes
// from before the driver's purge.
void Win32CommDevice::DoPurge() {
    uint32_t flags = 0;
    uint64_t ticket = 0;
    {
        std::lock_guard<std::mutex> guard(inputLock);
        flags = purgeFlags;
        purgeFlags = 0;
        ticket = purgesAsked;
    }
    const BOOL ok = PurgeComm(handle, flags);
    const DWORD error = ok ? 0 : GetLastError();
    {
        std::lock_guard<std::mutex> guard(inputLock);
        input.Clear();
        purgeOk = ok;
        purgeError = error;
        purgesDone = ticket;
    }
    purged.notify_all();
}

void Win32CommDevice::Idle(DWORD timeoutMs) {
    WaitForSingleObject(wakeEvent, timeoutMs);
}

// --- the ring --------------------------------------------------------------

void Win32CommDevice::Ring::Reset(uint32_t capacity) {
    bytes.assign(capacity, 0);
    head = size = 0;
}

uint32_t Win32CommDevice::Ring::Push(const uint8_t* data, uint32_t length) {
    const uint32_t capacity = Capacity();
    const uint32_t n = std::min(length, capacity - size);
    uint32_t tail = capacity == 0 ? 0 : (head + size) % capacity;
    for (uint32_t done = 0; done < n;) {
        const uint32_t run = std::min(n - done, capacity - tail);
        std::memcpy(bytes.data() + tail, data + done, run);
        done += run;
        tail = (tail + run) % capacity;
    }
    size += n;
    return n;
}

uint32_t Win32CommDevice::Ring::Take(uint8_t* out, uint32_t length) {
    const uint32_t capacity = Capacity();
    const uint32_t n = std::min(length, size);
    for (uint32_t done = 0; done < n;) {
        const uint32_t run = std::min(n - done, capacity - head);
        std::memcpy(out + done, bytes.data() + head, run);
        done += run;
        head = (head + run) % capacity;
    }
    size -= n;
    return n;
}
