#pragma once
#include <cstdint>

// The raw calls a serial channel needs, one per operating-system call of the
// Win32 comm API. SerialPort runs every algorithm and result code on top of
// this, once for both platforms; a fake in the tests injects what a pty
// cannot show.

// Parity kinds, numbered as the Win32 device control block numbers them.
enum class ParityKind : uint8_t { None = 0, Odd = 1, Even = 2, Mark = 3, Space = 4 };
// Stop-bit kinds, numbered as the Win32 device control block numbers them.
enum class StopBitsKind : uint8_t { One = 0, OneAndHalf = 1, Two = 2 };

// The portable device-control record: what SerialPort reads, changes and
// writes back. Members it does not change keep what the device reported.
struct DeviceControl {
    uint32_t baudRate = 0;
    uint8_t byteSize = 8;
    ParityKind parity = ParityKind::None;
    StopBitsKind stopBits = StopBitsKind::One;
    bool parityCheck = false;
    bool dtrEnable = false;  // DTR control "enable" (line on); false = "disable" or other
    bool rtsEnable = false;  // RTS control "enable" (line on); false = "disable" or other
    bool ctsFlow = false;
    bool dsrFlow = false;
    bool dsrSensitivity = false;
    bool outX = false;
    bool inX = false;
    bool txContinueOnXoff = false;
};

// Modem input bits as the Win32 modem status reports them.
inline constexpr uint32_t kModemCtsOn = 0x10;
inline constexpr uint32_t kModemDsrOn = 0x20;
inline constexpr uint32_t kModemRingOn = 0x40;
inline constexpr uint32_t kModemRlsdOn = 0x80;

// Purge flags as the Win32 purge call takes them.
inline constexpr uint32_t kPurgeTxAbort = 0x01;
inline constexpr uint32_t kPurgeRxAbort = 0x02;
inline constexpr uint32_t kPurgeTxClear = 0x04;
inline constexpr uint32_t kPurgeRxClear = 0x08;

// What a status query reports: the error flags (0 = none pending; the bits are
// the platform's), the number of bytes waiting in the input queue and the
// number still waiting to go out.
struct CommStatus {
    uint32_t errors = 0;
    uint32_t inputQueue = 0;
    uint32_t outputQueue = 0;
};

class CommDevice {
  public:
    virtual ~CommDevice() = default;

    // Opens port n exclusively (read and write).
    virtual bool OpenDevice(uint16_t port) = 0;
    virtual bool IsOpen() const = 0;
    // The device keeps an input queue and an output queue of these sizes,
    // filled and drained beside the caller: neither a read nor a write ever
    // waits for the line.
    virtual bool SetupQueues(uint32_t inputBytes, uint32_t outputBytes) = 0;
    virtual bool Purge(uint32_t flags) = 0;
    // Reads return at once with what is queued.
    virtual bool SetImmediateTimeouts() = 0;
    virtual bool GetState(DeviceControl& control) = 0;
    virtual bool SetState(const DeviceControl& control) = 0;
    virtual bool GetModemStatus(uint32_t& modemBits) = 0;
    // Reports and clears the device's error state, with the input queue count.
    virtual bool ClearError(CommStatus& status) = 0;
    virtual bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) = 0;
    // Hands the bytes to the output queue and returns at once; bytesWritten
    // is less than length only when the queue had no room for the rest.
    virtual bool WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) = 0;
    virtual void CloseDevice() = 0;
    // Milliseconds from an arbitrary start; differences are taken modulo 2^32.
    virtual uint32_t TickCount() = 0;
    // True once a call failed with an error an unplugged adapter or a hung-up
    // peer gives. Some of those errors also mean a line error on a driver that
    // aborts on errors, so the caller asks ClearError: a status query that
    // succeeds clears the flag, one that fails leaves it standing. Cleared
    // also by the next OpenDevice.
    virtual bool DeviceGone() const = 0;
};
