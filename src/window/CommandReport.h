#pragma once
#include <cstdint>

class SerialPort;
class StatusLine;

// What became of a command's bytes (F2, F3). A write only queues them, so
// the success text waits until they have left the output queue; a command
// that did not go out whole, because the queue was full, stood still and
// was dropped, or the port closed, says so instead of claiming success.
class CommandReport {
  public:
    static constexpr uint16_t kTextCapacity = 200;

    explicit CommandReport(StatusLine& statusLine);

    // The command's bytes end at the channel's output position now; the
    // texts are copied. Bytes already gone out are reported at once.
    void Watch(const SerialPort& serialPort, const char* sentText, const char* failedText,
               uint16_t holdTicks);
    // Shows failedText at once; a command watched before is forgotten.
    void Fail(const char* failedText, uint16_t holdTicks);
    // Every poll tick: shows the text once the bytes' fate is known.
    void Tick(const SerialPort& serialPort);
    bool Watching() const { return watching; }

  private:
    StatusLine& statusLine;
    bool watching = false;
    uint64_t endPosition = 0;
    uint16_t holdTicks = 0;
    char sentText[kTextCapacity] = {};
    char failedText[kTextCapacity] = {};
};
