#pragma once
#include <cstdint>

#include "LinuxPortNames.h"
#include "TtyQueues.h"
#include "serial/CommDevice.h"

// Line-error bits reported by ClearError, numbered as the Win32 comm error
// flags so that both platforms hand the same word to the core.
inline constexpr uint32_t kLineErrorBufferOverrun = 0x01;  // the driver's buffer overflowed
inline constexpr uint32_t kLineErrorOverrun = 0x02;        // the UART's receiver overran
inline constexpr uint32_t kLineErrorParity = 0x04;
inline constexpr uint32_t kLineErrorFrame = 0x08;
inline constexpr uint32_t kLineErrorBreak = 0x10;

// A serial device behind termios and the tty ioctls. Port numbers become
// device paths through LinuxPortNames; the device is opened non-blocking and
// locked against a second user. Reads and writes go through the driver-like
// queues of TtyQueues, so neither waits for the line. A port that carries
// the kernel's console is refused like a device that cannot be opened.
class TermiosCommDevice final : public CommDevice {
  public:
    explicit TermiosCommDevice(const LinuxPortNames& portNames);
    ~TermiosCommDevice() override;
    TermiosCommDevice(const TermiosCommDevice&) = delete;
    TermiosCommDevice& operator=(const TermiosCommDevice&) = delete;

    bool OpenDevice(uint16_t port) override;
    bool IsOpen() const override;
    bool SetupQueues(uint32_t inputBytes, uint32_t outputBytes) override;
    bool Purge(uint32_t flags) override;
    bool SetImmediateTimeouts() override;
    bool GetState(DeviceControl& control) override;
    // False for a byte size outside 5..8, a baud rate of 0, or a rate the
    // driver does not take (it reports another one back).
    bool SetState(const DeviceControl& control) override;
    bool GetModemStatus(uint32_t& modemBits) override;
    bool ClearError(CommStatus& status) override;
    bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) override;
    bool WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) override;
    void CloseDevice() override;
    uint32_t TickCount() override;
    bool DeviceGone() const override;

    // The kernel's running error counters, as last read.
    struct ErrorCounters {
        uint32_t frame = 0;
        uint32_t parity = 0;
        uint32_t overrun = 0;
        uint32_t brk = 0;
        uint32_t bufferOverrun = 0;
    };

  private:
    // Notes whether a failed call's errno means the device went away.
    void NoteErrno(int error);
    bool ReadCounters(ErrorCounters& counters);
    bool ApplyModemLines(bool dtr, bool rts);

    uint32_t KernelOutputQueue();
    bool HungUpNow() const;

    const LinuxPortNames& names;
    int fd = -1;
    TtyQueues queues;
    bool gone = false;
    bool kernelQueueSupported = true;
    // ptys and some adapters have no error counters or no modem lines; that
    // is a property of the device, learnt once per open.
    bool countersSupported = false;
    bool modemLinesSupported = true;
    bool modemInputsSupported = true;
    ErrorCounters lastCounters;
    // What Linux cannot store in termios (DSR flow, continue-on-XOFF, and the
    // output lines of a device without them) is remembered from the last
    // SetState, so that GetState gives it back unchanged.
    DeviceControl remembered;
};
