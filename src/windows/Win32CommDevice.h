#pragma once
#include <windows.h>

#include <cstdint>

#include "serial/CommDevice.h"

// The serial calls of the Win32 comm API on one COM port handle, synchronous
// and without overlapped I/O.
class Win32CommDevice : public CommDevice {
  public:
    Win32CommDevice() = default;
    ~Win32CommDevice() override;
    Win32CommDevice(const Win32CommDevice&) = delete;
    Win32CommDevice& operator=(const Win32CommDevice&) = delete;

    bool OpenDevice(uint16_t port) override;
    bool IsOpen() const override;
    bool SetupQueues(uint32_t inputBytes, uint32_t outputBytes) override;
    bool Purge(uint32_t flags) override;
    bool SetImmediateTimeouts() override;
    bool GetState(DeviceControl& control) override;
    bool SetState(const DeviceControl& control) override;
    bool GetModemStatus(uint32_t& modemBits) override;
    bool ClearError(CommStatus& status) override;
    bool ReadBytes(uint8_t* buffer, uint32_t length, uint32_t& bytesRead) override;
    bool WriteBytes(const uint8_t* data, uint32_t length, uint32_t& bytesWritten) override;
    void CloseDevice() override;
    uint32_t TickCount() override;
    bool DeviceGone() const override;

    // The errors with which a handle reports an unplugged adapter or a
    // vanished driver; everything else (an unsupported call, a rejected
    // setting) leaves the device usable.
    static bool IsRemovalError(uint32_t error);

  private:
    bool SetTimeouts(uint32_t writeLimitMs);
    // Passes a call's result through and notes when its failure means that
    // the device itself went away.
    bool Check(BOOL ok);
    bool ReadState();

    HANDLE handle = INVALID_HANDLE_VALUE;
    // The block last read from the device: a write changes only the members
    // DeviceControl carries, so everything else goes back as the driver
    // reported it.
    DCB lastState{};
    bool haveState = false;
    bool gone = false;
};
