#pragma once
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/CommDevice.h"

// The serial calls of the Win32 comm API on one COM port handle, opened for
// overlapped I/O so that no call waits for the line.
//
// Input: a thread of this class keeps one read outstanding and copies what
// it brings into the device's own input queue, a ring of the size
// SetupQueues names; a read of the caller only copies out of that ring, and
// the queue count is the ring's. A driver may show far less than it holds
// (Wine shows a tty's, at most 4095 bytes), and the line must be read
// whatever the window's thread is doing. A byte arriving while the ring is
// full is dropped and reported once, by the next status query, as the
// queue-overflow line error. A purge of the input is done by the thread
// itself, between two of its reads, so that no byte from before the purge
// can come back after it and none from after it is lost. A read that fails
// stops the thread's reading until a status query succeeds: a vanished
// device is then told by that query, as without the thread.
//
// Output: a write copies its bytes into the device's own output queue, a
// ring of the size SetupQueues names, and returns; the ring feeds the driver
// one piece at a time. Only one write is ever outstanding: a second one may
// overtake the first where the driver does not queue writes in order (Wine
// tries a new write on the descriptor before the earlier one, still waiting
// for room, is served). Pieces last a fraction of a second of line time, so
// that the queue shrinks often enough for the caller to tell a slow line
// from a stalled one; the price is that a slow line may idle between pieces
// until the next call. Completion is looked at, never waited for, at every
// write and status query; the next piece is issued there. The output
// queue's count is the ring's own, whatever the driver's status reports of
// its queue.
//
// Only a purge and a close wait: for a cancelled write to end before its
// buffer is reused or the handle freed, and for the input thread to purge
// or to stop, which takes no longer than ending its read.
//
// The output side belongs to the caller's thread alone; everything the
// input thread shares with it is behind one mutex.
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
    // A ring of fixed capacity.
    class Ring {
      public:
        void Reset(uint32_t capacity);
        uint32_t Size() const { return size; }
        uint32_t Capacity() const { return static_cast<uint32_t>(bytes.size()); }
        uint32_t Push(const uint8_t* data, uint32_t length);
        uint32_t Take(uint8_t* out, uint32_t length);
        void Clear() { head = size = 0; }

      private:
        std::vector<uint8_t> bytes;
        uint32_t head = 0;
        uint32_t size = 0;
    };

    // Passes a call's result through and notes when its failure means that
    // the device itself went away.
    bool Check(BOOL ok);
    bool ReadState();
    void NoteRate(uint32_t baud);
    bool ApplyReadTimeouts();
    // Takes the outstanding write's result if it has one and issues the next
    // piece, as long as pieces complete at once. False when a write failed.
    bool PumpOutput();
    bool IssuePiece();
    // Cancels the outstanding write, waits until it has ended and empties
    // the queue.
    void DropOutput();
    // Has the input thread purge the driver's input and the ring, and waits
    // until it has.
    bool PurgeInput(uint32_t flags);
    void StopInput();
    void ReleaseEvents();

    // The input thread.
    void ServeInput();
    void ReadOnce();
    void TakeArrived(const uint8_t* data, uint32_t length);
    void DoPurge();
    // Waits for a wake-up, at most timeoutMs.
    void Idle(DWORD timeoutMs);

    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
    // Auto-reset: rouses the input thread for a request (stop, purge) or
    // after a status query cleared the failure of its read.
    HANDLE wakeEvent = nullptr;
    OVERLAPPED writeOverlapped{};

    // The output queue: queued bytes from head on, the first inFlight of
    // them handed to the driver by the outstanding write.
    std::vector<uint8_t> ring;
    uint32_t head = 0;
    uint32_t queued = 0;
    uint32_t inFlight = 0;
    bool writing = false;
    uint32_t pieceBytes = 1;

    // The input thread's own: its outstanding read and where it reads to.
    std::thread inputThread;
    OVERLAPPED readOverlapped{};
    std::vector<uint8_t> readChunk;

    // Shared with the input thread.
    std::mutex inputLock;
    std::condition_variable purged;
    Ring input;
    bool overflowed = false;
    // Purges asked for and done, by number: bytes a read brings while one is
    // asked for arrived before it and go with it.
    uint64_t purgesAsked = 0;
    uint64_t purgesDone = 0;
    uint32_t purgeFlags = 0;
    BOOL purgeOk = TRUE;
    DWORD purgeError = 0;
    // The error the last read failed with; 0 while the thread reads.
    DWORD readError = 0;
    bool stopping = false;

    // The block last read from the device: a write changes only the members
    // DeviceControl carries, so everything else goes back as the driver
    // reported it.
    DCB lastState{};
    bool haveState = false;
    bool gone = false;
};
