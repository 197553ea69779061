#pragma once
#include <cstdint>

#include "serial/CommDevice.h"

// Top four bits of a read status; the low 28 bits hold the byte count.
inline constexpr uint32_t kReadOk = 0x00000000;
inline constexpr uint32_t kReadStatusFailed = 0x10000000;
inline constexpr uint32_t kReadLineErrors = 0x20000000;
inline constexpr uint32_t kReadCallFailed = 0x30000000;
inline constexpr uint32_t kReadShort = 0x40000000;
inline constexpr uint32_t kReadTimeout = 0x80000000;
inline constexpr uint32_t kReadCodeMask = 0xF0000000;
inline constexpr uint32_t kReadCountMask = 0x0FFFFFFF;

// Modem status word of getModemStatus.
inline constexpr uint16_t kStatusDtr = 0x0001;
inline constexpr uint16_t kStatusRts = 0x0002;
inline constexpr uint16_t kStatusCts = 0x0004;
inline constexpr uint16_t kStatusDsr = 0x0008;
inline constexpr uint16_t kStatusRing = 0x0010;
inline constexpr uint16_t kStatusRlsd = 0x0020;
inline constexpr uint16_t kStatusUnreadable = 0xFFFF;

// The program's one serial channel. Every operation returns a small integer
// code and never throws; the device calls go through the CommDevice seam.
class SerialPort {
  public:
    explicit SerialPort(CommDevice& device);
    virtual ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    int open(uint16_t port, uint32_t baud, char parity, uint16_t dataBits, uint16_t stopBits);
    int close();
    uint16_t getModemStatus();
    int setDtr(bool on);
    int setRts(bool on);
    int16_t write(const uint8_t* data, uint16_t length, uint16_t discardFirst);
    int32_t discardInput();
    uint32_t getInputQueueCount();
    uint32_t takeLineErrors();
    uint32_t read(uint8_t* buffer, uint16_t length, uint16_t timeoutMs);

    bool isOpen() const;
    // True when the device went away while open (unplugged, hung up): the
    // poll cycle then closes the port so that its re-open path runs.
    bool deviceGone() const;

  private:
    bool QueryStatus(CommStatus& status);
    int SetControlLine(bool DeviceControl::*line, bool on);
    void NoteFailure();

    CommDevice& device;
    uint32_t lineErrors = 0;
    bool gone = false;
};
