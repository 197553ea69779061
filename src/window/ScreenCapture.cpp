#include "window/ScreenCapture.h"

#include <cstdio>
#include <cstring>

#include "config/ClockText.h"
#include "terminal/DisplayText.h"
#include "window/Desktop.h"
#include "window/MainView.h"
#include "window/PortLink.h"
#include "window/StatusLine.h"

namespace {

constexpr char kCopiedText[] = "==== SCREENSHOT COPIED TO CLIPBOARD ====";

constexpr char kSavedText[] = "==== SAVE SCREEN TO FILE ====";
constexpr char kSaveFailedText[] = "ERROR: create ScreenSaveFile";
constexpr char kSaveNameFormat[] = "%s_quorvant_screenshot.txt";
constexpr char kSaveTitleFormat[] = "%s  SAVE screenshot file";
constexpr char kSaveDefaultExtension[] = "txt";
// A folder or name this long is refused before the dialog, and a chosen
// path whose name starts this far in after it.
constexpr size_t kSaveNameLimit = 256;

constexpr char kLogOnText[] = "==== LOG -ON- ====";
constexpr char kLogOffText[] = "==== LOG -OFF- ====";
constexpr char kOpenFailedFormat[] = "ERROR (file open process was not successful):\n%s";
constexpr char kWriteFailedFormat[] = "ERROR (file write process was not successful):\n%s";
constexpr size_t kMessageCapacity = AppPaths::kPathCapacity + 64;
constexpr size_t kEventCapacity = 128;

}  // namespace

ScreenCapture::ScreenCapture(AppPaths& appPaths, ClockText& clockText, MainView& view,
                             Desktop& desktop, StatusLine& statusLine,
                             const ReceiveDisplay& display, ReceiveLog& receiveLog)
    : appPaths(appPaths),
      clockText(clockText),
      view(view),
      desktop(desktop),
      statusLine(statusLine),
      display(display),
      receiveLog(receiveLog) {}

ScreenCapture::~ScreenCapture() {
    receiveLog.SetWriter(nullptr);
}

// The setup file's folder is the program's own unless the program is
// installed; then the program's folder is a system one the user cannot write.
void ScreenCapture::Reset() {
    std::snprintf(saveFolder, sizeof(saveFolder), "%s", appPaths.SetupDirectory());
    saveFileName[0] = '\0';
}

// --- copy and save -----------------------------------------------------------------

// From the first visible line to the end, also when the user scrolled up and
// lines below the view exist. The message says so only when it happened.
void ScreenCapture::CopyScreenshot() {
    const DisplayText& text = display.Text();
    size_t start = text.FirstVisibleOffset();
    if (start > text.Length()) start = text.Length();
    if (desktop.CopyToClipboard(text.Data() + start, text.Length() - start)) {
        statusLine.ShowHeld(kCopiedText, kMessageHoldTicks);
    }
    view.FocusDisplay();
}

void ScreenCapture::SaveScreenshot(bool streamOn) {
    view.FocusDisplay();
    if (streamOn) return;
    std::snprintf(saveFileName, sizeof(saveFileName), kSaveNameFormat,
                  clockText.CompactTimestamp());
    char title[AppPaths::kPathCapacity + 32];
    std::snprintf(title, sizeof(title), kSaveTitleFormat, appPaths.ProgramFileName());
    const bool chosen = AskSaveFileName(title);
    view.Redraw();
    view.FocusDisplay();
    if (!chosen) return;

    // Both parts are shorter than the limit, so the path fits.
    char path[2 * AppPaths::kPathCapacity];
    std::snprintf(path, sizeof(path), "%s%s", saveFolder, saveFileName);
    const DisplayText& text = display.Text();
    if (!desktop.WriteTextFile(path, text.Data(), text.Length())) {
        desktop.ShowMessage(kSaveFailedText);
        view.Redraw();
        view.FocusDisplay();
        return;
    }
    statusLine.ShowHeld(kSavedText, kMessageHoldTicks);
}

bool ScreenCapture::AskSaveFileName(const char* title) {
    if (std::strlen(saveFolder) >= kSaveNameLimit || std::strlen(saveFileName) >= kSaveNameLimit) {
        ForgetSaveFolder();
        return false;
    }
    const char* extension = appPaths.FileExtension(saveFileName);
    if (extension[0] == '\0') extension = kSaveDefaultExtension;
    const SaveFileRequest request{saveFolder, saveFileName, extension, title};
    char path[2 * AppPaths::kPathCapacity] = {};
    if (!desktop.AskSaveFileName(request, path, sizeof(path))) {
        // The next dialog opens where the platform likes.
        ForgetSaveFolder();
        return false;
    }
    const char* separator = std::strrchr(path, appPaths.Separator());
    const size_t nameStart = separator != nullptr ? static_cast<size_t>(separator - path) + 1 : 0;
    const size_t nameLength = std::strlen(path + nameStart);
    if (nameStart >= kSaveNameLimit || nameLength == 0 || nameLength >= sizeof(saveFileName)) {
        ForgetSaveFolder();
        return false;
    }
    std::snprintf(saveFolder, sizeof(saveFolder), "%.*s", static_cast<int>(nameStart), path);
    std::snprintf(saveFileName, sizeof(saveFileName), "%s", path + nameStart);
    return true;
}

void ScreenCapture::ForgetSaveFolder() {
    saveFolder[0] = '\0';
    saveFileName[0] = '\0';
}

// --- the log -----------------------------------------------------------------------

void ScreenCapture::ToggleLog(const LineSettings& lineSettings, bool portOpen) {
    if (logOn) {
        logOn = false;
        StopLogging();
        statusLine.ShowHeld(kLogOffText, kMessageHoldTicks);
        return;
    }
    logOn = true;
    const LogFileLocation place = desktop.LogFilePlace();
    // Both the opening and the first row may show a box.
    openingLog = true;
    if (OpenFileReporting(place.path, place.form)) {
        receiveLog.SetWriter(this);
        LogEvent("LOG START", &lineSettings, portOpen ? "" : " (port closed)");
        WriteThrough();
    }
    openingLog = false;
    statusLine.ShowHeld(kLogOnText, kMessageHoldTicks);
}

bool ScreenCapture::OpenFileReporting(const char* path, TextForm form) {
    if (logFile.Open(path, form)) return true;
    char message[kMessageCapacity];
    std::snprintf(message, sizeof(message), kOpenFailedFormat, path);
    desktop.ShowMessage(message);
    return false;
}

void ScreenCapture::StopLogging() {
    receiveLog.SetWriter(nullptr);
    if (!logFile.IsOpen()) return;
    if (!logFile.Close(clockText.MillisecondTimestamp())) ReportWriteFailure();
}

void ScreenCapture::CloseLog() {
    StopLogging();
}

void ScreenCapture::WriteThrough() {
    if (logFile.IsOpen() && !logFile.WriteThrough()) ReportWriteFailure();
}

// A log that silently stopped recording would be worse than none: the box
// says so once, and the file is given up. The log stays on, as after a failed
// opening, so the next F9 ends it.
void ScreenCapture::ReportWriteFailure() {
    receiveLog.SetWriter(nullptr);
    logFile.Close(clockText.MillisecondTimestamp());
    char message[kMessageCapacity];
    std::snprintf(message, sizeof(message), kWriteFailedFormat, desktop.LogFilePlace().path);
    desktop.ShowMessage(message);
}

void ScreenCapture::LogFlush(uint32_t backlogLimit) {
    char what[80];
    std::snprintf(what, sizeof(what), "FLUSH COM PORT: more than %lu bytes waiting, dropped",
                  static_cast<unsigned long>(backlogLimit));
    LogEvent(what, nullptr, "");
}

void ScreenCapture::LogPortLost(const LineSettings& lineSettings) {
    char what[32];
    std::snprintf(what, sizeof(what), "COM%u LOST", static_cast<unsigned>(lineSettings.port));
    LogEvent(what, nullptr, "");
}

void ScreenCapture::LogPortBack(const LineSettings& lineSettings) {
    LogEvent("PORT BACK", &lineSettings, "");
}

void ScreenCapture::LogPortChanged(const LineSettings& lineSettings) {
    LogEvent("PORT SETTINGS", &lineSettings, "");
}

// Framed like the status line's messages, so a reader tells the program's
// own rows from received text.
void ScreenCapture::LogEvent(const char* what, const LineSettings* lineSettings,
                             const char* after) {
    if (!logFile.IsOpen()) return;
    char settings[64] = "";
    if (lineSettings != nullptr) {
        settings[0] = ' ';
        FormatPortSettings(*lineSettings, settings + 1, sizeof(settings) - 1);
    }
    char text[kEventCapacity];
    std::snprintf(text, sizeof(text), "==== %s%s%s ====", what, settings, after);
    logFile.AddEvent(clockText.MillisecondTimestamp(), text);
}

void ScreenCapture::LogLines(const char* text, size_t length) {
    logFile.AddLines(clockText.MillisecondTimestamp(), text, length);
}

void ScreenCapture::LogHexText(const char* text, size_t length, bool rowEnds) {
    logFile.AddHexText(clockText.MillisecondTimestamp(), text, length, rowEnds);
}
