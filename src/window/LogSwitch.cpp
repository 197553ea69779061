#include "window/LogSwitch.h"

#include <cstdio>
#include <initializer_list>

#include "terminal/ReceiveLog.h"
#include "window/Desktop.h"
#include "window/StatusLine.h"

namespace {

constexpr char kLogOnText[] = "==== LOG -ON- ====";
constexpr char kLogOnElsewhereFormat[] = "==== LOG -ON- %s ====";
constexpr char kLogOffText[] = "==== LOG -OFF- ====";
constexpr char kLogFailedText[] = "==== LOG -FAILED- ====";
constexpr char kOpenFailedFormat[] = "ERROR (file open process was not successful):\n%s";
constexpr char kBothFailedFormat[] = "ERROR (file open process was not successful):\n%s\n%s";
constexpr char kWriteFailedFormat[] = "ERROR (file write process was not successful):\n%s";
constexpr size_t kMessageCapacity = AppPaths::kPathCapacity + 64;

}  // namespace

LogSwitch::LogSwitch(ReceiveLog& log, Desktop& desktopServices, StatusLine& status)
    : receiveLog(log), desktop(desktopServices), statusLine(status) {}

void LogSwitch::Toggle(const LineSettings& lineSettings, bool portOpen) {
    if (on) {
        on = false;
        if (!receiveLog.Stop()) ReportWriteFailure();
        statusLine.ShowHeld(kLogOffText, kMessageHoldTicks);
        return;
    }
    // Both the opening and the first row may show a box.
    opening = true;
    bool elsewhere = false;
    if (!StartAtPlace(lineSettings, portOpen, elsewhere)) {
        // Off, so that the next F9 tries again; nothing claims a log that
        // records nothing.
        opening = false;
        statusLine.ShowHeld(kLogFailedText, kMessageHoldTicks);
        return;
    }
    on = true;
    WriteThrough();
    opening = false;
    if (!elsewhere) {
        statusLine.ShowHeld(kLogOnText, kMessageHoldTicks);
        return;
    }
    // Not where the user would look first: the message says where it went.
    char text[kMessageCapacity];
    std::snprintf(text, sizeof(text), kLogOnElsewhereFormat, logPath);
    statusLine.ShowHeld(text, kMessageHoldTicks);
}

// The platform's place first, then its spare; the box names every place
// tried.
bool LogSwitch::StartAtPlace(const LineSettings& lineSettings, bool portOpen, bool& elsewhere) {
    const LogFileLocation place = desktop.LogFilePlace();
    const bool haveSpare = place.sparePath != nullptr && place.sparePath[0] != '\0';
    for (const char* path : {place.path, haveSpare ? place.sparePath : nullptr}) {
        if (path == nullptr || !receiveLog.Start(path, place.form, lineSettings, portOpen)) {
            continue;
        }
        std::snprintf(logPath, sizeof(logPath), "%s", path);
        elsewhere = path != place.path;
        return true;
    }
    char message[2 * kMessageCapacity];
    if (haveSpare) {
        std::snprintf(message, sizeof(message), kBothFailedFormat, place.path, place.sparePath);
    } else {
        std::snprintf(message, sizeof(message), kOpenFailedFormat, place.path);
    }
    desktop.ShowMessage(message);
    return false;
}

void LogSwitch::WriteThrough() {
    if (!receiveLog.WriteThrough()) ReportWriteFailure();
}

void LogSwitch::Close() {
    if (!receiveLog.Stop()) ReportWriteFailure();
}

// The loss is told once: the receive path gave the file up.
void LogSwitch::ReportWriteFailure() {
    char message[kMessageCapacity];
    std::snprintf(message, sizeof(message), kWriteFailedFormat, logPath);
    desktop.ShowMessage(message);
}
