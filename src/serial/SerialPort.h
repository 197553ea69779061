#pragma once
#include <cstdint>

#include "serial/CommDevice.h"

// How a read ended. The numbers are those of the channel's status word.
enum class ReadCode : uint8_t {
    Ok = 0,
    StatusFailed = 1,  // the status query failed: nothing was read
    LineErrors = 2,    // a line error was pending: nothing was read
    CallFailed = 3,    // the read call failed; count says what it delivered anyway
    Short = 4,         // fewer bytes than asked for
    Timeout = 8,       // the bytes did not arrive in time: nothing was read
};

struct ReadResult {
    ReadCode code = ReadCode::Ok;
    uint32_t count = 0;  // bytes placed in the buffer

    static ReadResult Ok(uint32_t count) { return ReadResult{ReadCode::Ok, count}; }
    friend bool operator==(const ReadResult&, const ReadResult&) = default;
};

enum class OutputFate : uint8_t { Waiting, Sent, Dropped };

enum class WriteResult : int8_t {
    Ok = 0,
    Failed = -1,        // the port is closed or the write call failed
    Short = -2,         // the output queue had no room for all the bytes
    StatusFailed = -3,  // written, but the status query afterwards failed
};

// Modem status word of GetModemStatus.
inline constexpr uint16_t kStatusDtr = 0x0001;
inline constexpr uint16_t kStatusRts = 0x0002;
inline constexpr uint16_t kStatusCts = 0x0004;
inline constexpr uint16_t kStatusDsr = 0x0008;
inline constexpr uint16_t kStatusRing = 0x0010;
inline constexpr uint16_t kStatusRlsd = 0x0020;
inline constexpr uint16_t kStatusUnreadable = 0xFFFF;

// The program's one serial channel. No operation throws; each reports success
// or a small code. The device calls go through the CommDevice seam.
class SerialPort {
  public:
    // The queues the driver keeps for the port.
    static constexpr uint32_t kInputQueueBytes = 300000;
    static constexpr uint32_t kOutputQueueBytes = 20000;

    explicit SerialPort(CommDevice& device);
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // On failure the device may stay open half-configured: the caller closes.
    bool Open(uint16_t port, uint32_t baud, char parity, uint16_t dataBits, uint16_t stopBits);
    void Close();
    // DTR, RTS and the four inputs as kStatus bits; kStatusUnreadable when the
    // port is closed or its state cannot be read.
    uint16_t GetModemStatus();
    // The four inputs alone as kStatus bits, none when the port is closed or
    // they cannot be read: the poll tick's mirror needs no control record.
    uint16_t GetModemInputs();
    bool SetDtr(bool on);
    bool SetRts(bool on);
    // discardFirst 1 drops waiting input before writing; any other value keeps
    // it. The bytes go to the device's output queue and the call returns at
    // once: Short means the queue had no room for all of them.
    WriteResult Write(const uint8_t* data, uint16_t length, uint16_t discardFirst);
    // The number of bytes dropped, or -1 (status failed), -2 (line errors),
    // -3 (the line keeps sending: more than 30000).
    int32_t DiscardInput();
    // Drops everything waiting in the input queue at once; the port stays
    // open and its lines as they are. False when the device refused.
    bool PurgeInput();
    uint32_t GetInputQueueCount();
    // Room left in the output queue as the last status query saw it; the
    // queue only drains between queries, so a block this size fits whole.
    uint32_t OutputRoom() const;
    // The position in the outgoing stream after everything written so far:
    // a command notes it after its write and asks later what became of it.
    uint64_t OutputPosition() const { return acceptedBytes; }
    // Whether the bytes before position have left the output queue, were
    // dropped with it (a stall, a purge, a close) or still wait.
    OutputFate FateOf(uint64_t position) const;
    // True once after the output queue stood still for a second with bytes
    // in it and was dropped; dropped says how many bytes that lost.
    bool TakeOutputStall(uint32_t& dropped);
    // The line errors of the last status query, cleared by taking them.
    uint32_t TakeLineErrors();
    // Reads exactly length bytes once they are queued, waiting at most
    // timeoutMs plus a short grace; timeoutMs 0 (the caller counted the bytes
    // as queued) waits the grace alone.
    ReadResult Read(uint8_t* buffer, uint16_t length, uint16_t timeoutMs);

    bool IsOpen() const;
    // True when the device went away while open (unplugged, hung up): the
    // poll cycle then closes the port so that its re-open path runs.
    bool DeviceGone() const;

  private:
    bool QueryStatus(CommStatus& status);
    bool SetControlLine(bool DeviceControl::*line, bool on);
    void NoteFailure();
    void TakeDeviceWord();
    void WatchOutput(uint32_t outputQueue);
    void DropOutput();

    CommDevice& device;
    uint32_t lineErrors = 0;
    bool gone = false;

    // The outgoing stream as positions: everything below leftPosition has
    // left the output queue, sent or dropped; the last drop took the range
    // [dropStart, dropEnd).
    uint64_t acceptedBytes = 0;
    uint64_t leftPosition = 0;
    uint64_t dropStart = 0;
    uint64_t dropEnd = 0;
    uint32_t outputQueued = 0;
    // When the queue last moved bytes out, or took its first after idling.
    uint32_t lastOutputMoveMs = 0;
    bool outputIdle = true;
    uint32_t stallDropped = 0;
    bool stalled = false;
};
