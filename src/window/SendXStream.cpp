#include "window/SendXStream.h"

#include "serial/SerialPort.h"
#include "window/MainView.h"

namespace {

constexpr uint16_t kKeepInput = 0;

}  // namespace

SendXStream::SendXStream(SerialPort& serialPort, MainView& view)
    : serialPort(serialPort), view(view) {}

void SendXStream::Toggle() {
    on = !on;
    ticksSinceBurst = UINT16_MAX;
    view.SetChecked(MainControl::kSendX, on);
}

void SendXStream::Stop() {
    on = false;
    view.SetChecked(MainControl::kSendX, false);
}

bool SendXStream::SendBurst(uint32_t baud) {
    if (ticksSinceBurst < UINT16_MAX) ++ticksSinceBurst;
    if (ticksSinceBurst < SendXLines::TicksPerBurst(baud)) return true;
    ticksSinceBurst = 0;
    const size_t length = lines.BuildBurst(baud);
    const WriteResult result =
        serialPort.Write(lines.Burst(), static_cast<uint16_t>(length), kKeepInput);
    // A full queue means the line stopped taking bytes: the next block would
    // only pile up behind the rest.
    if (result != WriteResult::Short) return true;
    Stop();
    return false;
}
