#include "Win32CommDevice.h"

#include <cstddef>

#include "Win32PortNames.h"

namespace {

constexpr size_t kDeviceNameCapacity = 24;

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
    handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle != INVALID_HANDLE_VALUE;
}

bool Win32CommDevice::IsOpen() const {
    return handle != INVALID_HANDLE_VALUE;
}

bool Win32CommDevice::SetupQueues(uint32_t inputBytes, uint32_t outputBytes) {
    return IsOpen() && Check(SetupComm(handle, inputBytes, outputBytes));
}

bool Win32CommDevice::Purge(uint32_t flags) {
    return IsOpen() && Check(PurgeComm(handle, flags));
}

bool Win32CommDevice::SetImmediateTimeouts() {
    return SetTimeouts(0);
}

// Reads always return at once with what is queued; a total write timeout of
// 0 means none. A write that runs into the limit succeeds with a short count.
bool Win32CommDevice::SetTimeouts(uint32_t writeLimitMs) {
    if (!IsOpen()) return false;
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutConstant = writeLimitMs;
    return Check(SetCommTimeouts(handle, &timeouts));
}

bool Win32CommDevice::ReadState() {
    DCB state{};
    state.DCBlength = sizeof state;
    if (!Check(GetCommState(handle, &state))) return false;
    lastState = state;
    haveState = true;
    return true;
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
    return Check(SetCommState(handle, &state));
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
    DWORD errors = 0;
    COMSTAT comStat{};
    if (!Check(ClearCommError(handle, &errors, &comStat))) return false;
    // The port answers: an earlier failure was a line error, not a loss.
    gone = false;
    status.errors = errors;
    status.inputQueue = comStat.cbInQue;
    status.outputQueue = comStat.cbOutQue;
    return true;
}

bool Win32CommDevice::ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) {
    bytesRead = 0;
    if (!IsOpen()) return false;
    DWORD count = 0;
    const bool ok = Check(ReadFile(handle, buffer, length, &count, nullptr));
    bytesRead = count;
    return ok;
}

bool Win32CommDevice::WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (!IsOpen()) return false;
    DWORD count = 0;
    const bool ok = Check(WriteFile(handle, data, length, &count, nullptr));
    bytesWritten = count;
    return ok;
}

void Win32CommDevice::CloseDevice() {
    if (IsOpen()) CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    haveState = false;
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
