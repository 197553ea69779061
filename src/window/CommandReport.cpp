#include "window/CommandReport.h"

#include <cstdio>

#include "serial/SerialPort.h"
#include "window/StatusLine.h"

CommandReport::CommandReport(StatusLine& statusLine) : statusLine(statusLine) {}

void CommandReport::Watch(const SerialPort& serialPort, const char* sent, const char* failed,
                          uint16_t ticks) {
    watching = true;
    endPosition = serialPort.OutputPosition();
    holdTicks = ticks;
    std::snprintf(sentText, sizeof(sentText), "%s", sent);
    std::snprintf(failedText, sizeof(failedText), "%s", failed);
    Tick(serialPort);
}

void CommandReport::Fail(const char* failed, uint16_t ticks) {
    watching = false;
    statusLine.ShowHeld(failed, ticks);
}

void CommandReport::Tick(const SerialPort& serialPort) {
    if (!watching) return;
    switch (serialPort.FateOf(endPosition)) {
        case OutputFate::Waiting:
            return;
        case OutputFate::Sent:
            statusLine.ShowHeld(sentText, holdTicks);
            break;
        case OutputFate::Dropped:
            statusLine.ShowHeld(failedText, holdTicks);
            break;
    }
    watching = false;
}
