#include "terminal/ReceiveLog.h"

#include <cstdio>

#include "config/ClockText.h"
#include "serial/SettingsText.h"

namespace {

constexpr size_t kEventCapacity = 128;
constexpr size_t kSettingsCapacity = 64;

}  // namespace

ReceiveLog::ReceiveLog(ClockText& clock, FileSystem& files) : clockText(clock), file(files) {}

bool ReceiveLog::Start(const char* path, TextForm form, const LineSettings& lineSettings,
                       bool portOpen) {
    if (file.IsOpen()) Stop();
    if (!file.Open(path, form)) return false;
    // A new log starts at the start of a line and outside any record.
    formatter.Reset();
    LogEvent("LOG START", &lineSettings, portOpen ? "" : " (port closed)");
    return true;
}

bool ReceiveLog::Stop() {
    if (!file.IsOpen()) return true;
    return file.Close(clockText.MillisecondTimestamp());
}

void ReceiveLog::LogBytes(const uint8_t* data, size_t count, ReceiveMode mode) {
    if (!file.IsOpen()) return;
    for (size_t i = 0; i < count; ++i) formatter.Put(data[i], mode);
    formatter.Flush();
}

void ReceiveLog::FormattedText(const char* text, size_t length, bool hexText, bool pieceEnds) {
    if (!file.IsOpen()) return;
    if (hexText) {
        file.AddHexText(clockText.MillisecondTimestamp(), text, length, pieceEnds);
    } else {
        file.AddLines(clockText.MillisecondTimestamp(), text, length);
    }
}

void ReceiveLog::LogFlush(uint32_t droppedAbove) {
    char what[80];
    std::snprintf(what, sizeof(what), "FLUSH COM PORT: more than %lu bytes waiting, dropped",
                  static_cast<unsigned long>(droppedAbove));
    LogEvent(what, nullptr, "");
}

void ReceiveLog::LogPortLost(const LineSettings& lineSettings) {
    char what[32];
    std::snprintf(what, sizeof(what), "COM%u LOST", static_cast<unsigned>(lineSettings.port));
    LogEvent(what, nullptr, "");
}

void ReceiveLog::LogPortBack(const LineSettings& lineSettings) {
    LogEvent("PORT BACK", &lineSettings, "");
}

void ReceiveLog::LogPortChanged(const LineSettings& lineSettings) {
    LogEvent("PORT SETTINGS", &lineSettings, "");
}

// Framed like the status line's messages, so a reader tells the program's
// own rows from received text.
void ReceiveLog::LogEvent(const char* what, const LineSettings* lineSettings, const char* after) {
    if (!file.IsOpen()) return;
    char settings[kSettingsCapacity] = "";
    if (lineSettings != nullptr) {
        settings[0] = ' ';
        FormatPortSettings(*lineSettings, settings + 1, sizeof(settings) - 1);
    }
    char text[kEventCapacity];
    std::snprintf(text, sizeof(text), "==== %s%s%s ====", what, settings, after);
    file.AddEvent(clockText.MillisecondTimestamp(), text);
}

bool ReceiveLog::WriteThrough() {
    if (!file.IsOpen()) return true;
    if (file.WriteThrough()) return true;
    // A log that silently stopped recording would be worse than none.
    file.Close(clockText.MillisecondTimestamp());
    return false;
}
