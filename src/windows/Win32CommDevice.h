#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "serial/CommDevice.h"

// The serial calls of the Win32 comm API on one COM port handle, opened for
// overlapped I/O so that no call waits for the line.
//
// A read returns at once with what the driver has queued. A write copies its
// bytes into the device's own output queue, a ring of the size SetupQueues
// names, and returns; the ring feeds the driver one piece at a time. Only
// one write is ever outstanding: a second one may overtake the first where
// the driver does not queue writes in order (Wine tries a new write on the
// descriptor before the earlier one, still waiting for room, is served).
// Pieces last a fraction of a second of line time, so that the queue shrinks
// often enough for the caller to tell a slow line from a stalled one; the
// price is that a slow line may idle between pieces until the next call.
//
// Completion is looked at, never waited for, at every write and status
// query; the next piece is issued there. The queue's count is the ring's
// own, whatever the driver's status reports of its queue. Only a purge and a
// close wait: for the cancelled write to end, before its buffer is reused or
// the handle freed.
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
    // Passes a call's result through and notes when its failure means that
    // the device itself went away.
    bool Check(BOOL ok);
    bool ReadState();
    void NoteRate(uint32_t baud);
    // Takes the outstanding write's result if it has one and issues the next
    // piece, as long as pieces complete at once. False when a write failed.
    bool PumpOutput();
    bool IssuePiece();
    // Cancels the outstanding write, waits until it has ended and empties
    // the queue.
    void DropOutput();
    void ReleaseEvents();

    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
    OVERLAPPED writeOverlapped{};

    // The output queue: queued bytes from head on, the first inFlight of
    // them handed to the driver by the outstanding write.
    std::vector<uint8_t> ring;
    uint32_t head = 0;
    uint32_t queued = 0;
    uint32_t inFlight = 0;
    bool writing = false;
    uint32_t pieceBytes = 1;

    // The block last read from the device: a write changes only the members
    // DeviceControl carries, so everything else goes back as the driver
    // reported it.
    DCB lastState{};
    bool haveState = false;
    bool gone = false;
};
