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
constexpr char kLogOnElsewhereFormat[] = "==== LOG -ON- %s ====";
constexpr char kLogOffText[] = "==== LOG -OFF- ====";
constexpr char kLogFailedText[] = "==== LOG -FAILED- ====";
constexpr char kOpenFailedFormat[] = "ERROR (file open process was not successful):\n%s";
constexpr char kBothFailedFormat[] = "ERROR (file open process was not successful):\n%s\n%s";
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

// Not the program's folder: an installed program's is a system one the user
// cannot write. The platform says where instead.
void ScreenCapture::Reset() {
    std::snprintf(saveFolder, sizeof(saveFolder), "%s", appPaths.SaveDirectory());
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
    const SaveChoice choice = AskSaveFileName(title);
    view.Redraw();
    view.FocusDisplay();
    if (choice == SaveChoice::Cancelled) return;
    if (choice == SaveChoice::TooLong) {
        // The user confirmed a file: nothing written must not pass in silence.
        ReportSaveFailure();
        return;
    }

    // Both parts are shorter than the limit, so the path fits.
    char path[2 * AppPaths::kPathCapacity];
    std::snprintf(path, sizeof(path), "%s%s", saveFolder, saveFileName);
    const DisplayText& text = display.Text();
    if (!desktop.WriteTextFile(path, text.Data(), text.Length())) {
        ReportSaveFailure();
        return;
    }
    statusLine.ShowHeld(kSavedText, kMessageHoldTicks);
}

void ScreenCapture::ReportSaveFailure() {
    desktop.ShowMessage(kSaveFailedText);
    view.Redraw();
    view.FocusDisplay();
}

SaveChoice ScreenCapture::AskSaveFileName(const char* title) {
    if (std::strlen(saveFolder) >= kSaveNameLimit || std::strlen(saveFileName) >= kSaveNameLimit) {
        ForgetSaveFolder();
        return SaveChoice::Cancelled;
    }
    const char* extension = appPaths.FileExtension(saveFileName);
    if (extension[0] == '\0') extension = kSaveDefaultExtension;
    const SaveFileRequest request{saveFolder, saveFileName, extension, title};
    char path[2 * AppPaths::kPathCapacity] = {};
    const SaveChoice choice = desktop.AskSaveFileName(request, path, sizeof(path));
    if (choice == SaveChoice::Cancelled) {
        // The next dialog opens where the platform likes.
        ForgetSaveFolder();
        return choice;
    }
    // A path too long to keep leaves the folder of the last save in place.
    if (choice == SaveChoice::TooLong) return choice;
    const char* separator = std::strrchr(path, appPaths.Separator());
    const size_t nameStart = separator != nullptr ? static_cast<size_t>(separator - path) + 1 : 0;
    const size_t nameLength = std::strlen(path + nameStart);
    if (nameLength == 0) {
        ForgetSaveFolder();
        return SaveChoice::Cancelled;
    }
    if (nameStart >= kSaveNameLimit || nameLength >= sizeof(saveFileName)) {
        return SaveChoice::TooLong;
    }
    std::snprintf(saveFolder, sizeof(saveFolder), "%.*s", static_cast<int>(nameStart), path);
    std::snprintf(saveFileName, sizeof(saveFileName), "%s", path + nameStart);
    return SaveChoice::Chosen;
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
    const LogFileLocation place = desktop.LogFilePlace();
    // Both the opening and the first row may show a box.
    openingLog = true;
    const char* used = OpenLogFile(place);
    if (used == nullptr) {
        // Off, so that the next F9 tries again; nothing claims a log that
        // records nothing.
        openingLog = false;
        statusLine.ShowHeld(kLogFailedText, kMessageHoldTicks);
        return;
    }
    logOn = true;
    std::snprintf(logPath, sizeof(logPath), "%s", used);
    receiveLog.SetWriter(this);
    LogEvent("LOG START", &lineSettings, portOpen ? "" : " (port closed)");
    WriteThrough();
    openingLog = false;
    if (used == place.path) {
        statusLine.ShowHeld(kLogOnText, kMessageHoldTicks);
        return;
    }
    // Not where the user would look first: the message says where it went.
    char text[kMessageCapacity];
    std::snprintf(text, sizeof(text), kLogOnElsewhereFormat, used);
    statusLine.ShowHeld(text, kMessageHoldTicks);
}

// The platform's place first, then its spare; the box names every place
// tried. Returns the path of the file opened.
const char* ScreenCapture::OpenLogFile(const LogFileLocation& place) {
    if (logFile.Open(place.path, place.form)) return place.path;
    const bool haveSpare = place.sparePath != nullptr && place.sparePath[0] != '\0';
    if (haveSpare && logFile.Open(place.sparePath, place.form)) return place.sparePath;
    char message[2 * kMessageCapacity];
    if (haveSpare) {
        std::snprintf(message, sizeof(message), kBothFailedFormat, place.path, place.sparePath);
    } else {
        std::snprintf(message, sizeof(message), kOpenFailedFormat, place.path);
    }
    desktop.ShowMessage(message);
    return nullptr;
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
// says so once, and the file is given up. The log stays on, so the next F9
// ends it with the status line's word.
void ScreenCapture::ReportWriteFailure() {
    receiveLog.SetWriter(nullptr);
    logFile.Close(clockText.MillisecondTimestamp());
    char message[kMessageCapacity];
    std::snprintf(message, sizeof(message), kWriteFailedFormat, logPath);
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
